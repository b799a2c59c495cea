#pragma once
// The controller's memory as the simulator holds it: 16-bit words, high byte first, at byte
// addresses. Unwritten memory reads 0.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class ControllerMemory {
public:
    std::uint8_t byte(std::uint32_t address) const;
    std::uint16_t word(std::uint32_t address) const; // bytes at address (high) and address + 1
    void setByte(std::uint32_t address, std::uint8_t value);
    void setWord(std::uint32_t address, std::uint16_t value);

    // Loads lines "@ADDR,COUNT,WORD,WORD,..." (hex, as in the super-block data file). Later lines
    // overwrite earlier ones. False with `error` set on a malformed line.
    bool loadDataFile(const QString &path, QString *error = nullptr);
    bool loadDataText(const QByteArray &text, QString *error = nullptr);

    // A realistic drive: the fixed words the data-file check expects, pointer words, a super
    // block of a dozen and more blocks, DIO and M words, block outputs.
    static ControllerMemory demoImage();
    // Moves the demo's live values on to `seconds` after the start (ramp, sine, toggling bits).
    static void advanceDemo(ControllerMemory &memory, double seconds);

    // Hex digits (either case) as a number: nothing when empty, longer than `maxDigits` or not hex.
    static std::optional<std::uint32_t> parseHex(const QByteArray &field, int maxDigits);
    // True for the built-in image (and copies of it): only then do its live values move.
    bool isDemoImage() const { return demo_; }

private:
    QHash<std::uint32_t, std::uint8_t> bytes_;
    bool demo_ = false;
};

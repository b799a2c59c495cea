#pragma once
// A math channel's expression over the channels of a run, evaluated one row at a time.
//
//     expression := term { ("+" | "-") term }
//     term       := factor { ("*" | "/") factor }
//     factor     := ("-" | "+") factor | operand
//     operand    := NUMBER | CHANNEL | FUNCTION "(" arguments ")" | "(" expression ")"
//
// A CHANNEL is one of the run's channels by its name as the channel table shows it (a bit also as
// "NAME:BIT" for "NAME.BIT"), else by its word
// address in hex ("600E60"); a word that is both is a channel, so "10" next to a channel at address
// 10 is that channel (write "10.0" for the number). A NUMBER is decimal ("2", "0.5", "1e-3").
// Functions:
//     abs(x)        |x|
//     deriv(x)      change of x per second since x's previous good value, from the rows' times
//     integ(x)      integral of x over seconds since the run's first good value of x (trapezoids,
//                   across rows where x failed as well)
//     mavg(x, N)    mean of x over the last N rows (passes)
//     mrms(x, N)    root mean square of x over the last N rows
//     min(x, y), max(x, y)
// N is a whole number from 1 to kMaxPasses.
//
// A row's result is empty when an input it uses failed (its read failed), or when the value is no
// finite number (a division by 0). A row where x is empty is left out of mavg/mrms's window (the
// window still spans N rows; its result is the mean of the good ones in it, empty when there are
// none) and does not move deriv's or integ's previous value. Every part of the expression sees every
// row, so a function's state is the same whatever else in the row failed.

#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// One of a run's channels as an expression may name it.
struct MathInput {
    QString name;                         // as the channel table shows it ("SpdFbk", "InvFlag.07")
    std::optional<std::uint32_t> address; // its word address
};

// Why a text was refused: what was expected and where (0 for the first character).
struct MathFault {
    int position = 0;
    QString message;
};

class MathExpression {
public:
    static constexpr int kMaxLength = 1000;  // characters of a definition
    static constexpr int kMaxDepth = 32;     // brackets, signs and calls inside one another
    static constexpr int kMaxPasses = 10000; // mavg/mrms window

    // Parses `text` from `begin` to its end as an expression over `inputs`. Positions in the fault
    // count from the start of `text`.
    static std::optional<MathExpression> parse(const QString &text, qsizetype begin,
                                               const std::vector<MathInput> &inputs, MathFault *fault);

    // One row: its time in seconds and the value of every input (indices of `inputs` given to
    // parse()), with the inputs whose read failed flagged. Empty when the result is.
    std::optional<double> evaluate(double seconds, std::span<const double> values, std::span<const bool> failed);
    // Forgets the rows seen (a new run).
    void reset();
    // The indices of the inputs the expression uses, each once, in order.
    std::vector<int> inputsUsed() const;

private:
    enum class Kind { Number, Input, Negate, Add, Subtract, Multiply, Divide, Abs, Min, Max, Deriv, Integ, Mavg, Mrms };
    struct Node {
        Kind kind = Kind::Number;
        int left = -1;
        int right = -1;
        double number = 0; // Number
        int input = -1;    // Input
        int state = -1;    // Deriv, Integ, Mavg, Mrms: index into states_
    };
    // What deriv, integ, mavg and mrms remember between rows.
    struct State {
        bool hasPrevious = false;
        double previousValue = 0;
        double previousSeconds = 0;
        double integral = 0;
        // The window of the last `passes` rows: each row's value and whether it was good.
        int passes = 0;
        std::vector<double> values;
        std::vector<unsigned char> good;
        int next = 0;
        int filled = 0;
        int goodCount = 0;
        double sum = 0;
        double sumOfSquares = 0;
    };
    class Parser;

    struct Result {
        double value;
        bool good;
    };
    Result evaluateNode(int index, double seconds, std::span<const double> values, std::span<const bool> failed);
    Result takeDeriv(State &state, Result x, double seconds);
    Result takeInteg(State &state, Result x, double seconds);
    Result takeWindow(State &state, Result x, bool rms);

    std::vector<Node> nodes_;
    std::vector<State> states_;
    int root_ = -1;
};

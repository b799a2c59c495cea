#pragma once
// Where --publish sends the passes: mqtt://[user[:password]@]host[:port]/topic, and the TLS files
// that secure the connection.

#include <QString>
#include <optional>

namespace record {

struct MqttTls {
    QString caFile;   // the authority that signed the broker's certificate
    QString certFile; // this client's certificate and key, for a broker that asks for one
    QString keyFile;
    bool used() const { return !caFile.isEmpty() || !certFile.isEmpty(); }
};

struct MqttTarget {
    QString host;
    int port = 1883;
    QString topic;
    QString user, password; // empty: none
    bool portGiven = false;

    // mqtt://host:port/topic without the credentials: what the status line and the summary show.
    QString shownUrl() const;
    QString statusTopic() const { return topic + QStringLiteral("/status"); }
};

inline constexpr int kMqttPort = 1883;
inline constexpr int kMqttTlsPort = 8883;

// A --publish text as a message may show it: a password in it ("user:password@") as "***". Taken
// from the text itself, not a parsed URL, so that a malformed one hides it too.
QString withoutPassword(const QString &text);

// The target of a --publish text, or why it is none (the message names the argument, its password
// hidden).
std::optional<MqttTarget> parseMqttUrl(const QString &text, QString *error);

// The spool folder of a target: in the user's state folder, under the program's name, one folder
// per broker and topic, so a recorder started again on the same topic finds what waited.
QString spoolFolderFor(const MqttTarget &target);

} // namespace record

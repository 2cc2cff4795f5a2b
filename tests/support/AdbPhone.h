#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// An Android 14 phone on loopback that Debian's real adb reaches: tests/support/phone's adbphone
// speaks adb's wire protocol, its shell runs stand-in am, cmd, getprop, pidof, pm and screencap
// (tests/support/phone/bin/android says how they answer). A private adb server is started and
// connected to it; ANDROID_ADB_SERVER_PORT names that server for the test and the programs it
// starts, so create a TestEnvironment (which puts the variable back) first. The user's own adb
// server is never touched. Fatal when the phone does not come up; see available().
class AdbPhone {
public:
    explicit AdbPhone(const QString& parentDirectory);
    ~AdbPhone();
    AdbPhone(const AdbPhone&) = delete;
    AdbPhone& operator=(const AdbPhone&) = delete;

    // Debian's adb; the tests skip without it or mksh (packages adb and mksh).
    [[nodiscard]] static QString adbPath() { return QStringLiteral("/usr/bin/adb"); }
    [[nodiscard]] static bool available();

    // "127.0.0.1:<port>", as adb lists it.
    [[nodiscard]] QString serial() const { return m_serial; }
    // The installed apps, one a line, and the properties ("name=value" lines) getprop answers.
    void configure(const QByteArray& apps, const QByteArray& properties = {}) const;
    // Every command the phone's shell ran: the program, then its arguments as they arrived.
    [[nodiscard]] QList<QStringList> calls() const;
    // adb with `arguments` on the private server: its standard output.
    QByteArray adb(const QStringList& arguments) const;

private:
    [[nodiscard]] static QString serverHome();

    QTemporaryDir m_directory;
    QProcess m_phone;
    QString m_serial;
    QByteArray m_serverPort;
};

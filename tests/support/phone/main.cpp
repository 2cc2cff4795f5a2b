// adbphone: an Android phone that speaks adb's wire protocol on loopback, for tests that run the
// real adb. Usage: adbphone COMMANDS STATE [PORT]
//   COMMANDS  a directory of stand-in Android commands, the whole PATH of the phone's shell
//   STATE     the phone's state directory (PHONE_STATE and HOME of its shell)
//   PORT      the TCP port on 127.0.0.1, 0 (the default) for any free one
// Prints the port it listens on, then serves until its standard input closes. By hand, away
// from the user's own adb server:
//   mkdir /tmp/phone && printf 'app com.example.shop .MainActivity shop:\n' >/tmp/phone/apps
//   sleep infinity | build/ci/tests/adbphone tests/support/phone/bin /tmp/phone 5600 &
//   export ANDROID_ADB_SERVER_PORT=5099; adb connect 127.0.0.1:5600
#include "PhoneConnection.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>

#include <cstdio>
#include <unistd.h>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("mksh"));
    if (arguments.size() < 3 || shell.isEmpty()) {
        std::fputs("usage: adbphone COMMANDS STATE [PORT] (needs mksh)\n", stderr);
        return 2;
    }
    QProcessEnvironment environment;
    // Only the phone's commands: one it lacks fails as on Android, never runs this machine's.
    environment.insert(QStringLiteral("PATH"), arguments[1]);
    environment.insert(QStringLiteral("PHONE_STATE"), arguments[2]);
    environment.insert(QStringLiteral("HOME"), arguments[2]);

    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, quint16(arguments.value(3).toUInt()))) {
        std::fprintf(stderr, "adbphone: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
        while (QTcpSocket* socket = server.nextPendingConnection())
            new PhoneConnection(socket, shell, environment);
    });
    std::printf("%u\n", unsigned(server.serverPort()));
    std::fflush(stdout);

    // A test that dies without stopping its phone closes the pipe: the phone goes with it.
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            app.quit();
    });
    return app.exec();
}

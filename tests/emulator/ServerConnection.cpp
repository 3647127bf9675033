#include "tests/emulator/ServerConnection.h"

#include <QtCore/QDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

namespace zvemu {

namespace {

// The port of an IPv4 or IPv6 address; -1 for any other kind.
int portOf(const sockaddr_storage& address) {
    if (address.ss_family == AF_INET) {
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    }
    if (address.ss_family == AF_INET6) {
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    }
    return -1;
}

bool connects(int descriptor, int serverPort, int clientPort) {
    struct stat status {};
    if (fstat(descriptor, &status) != 0 || !S_ISSOCK(status.st_mode)) {
        return false;
    }
    sockaddr_storage local{};
    sockaddr_storage peer{};
    socklen_t localSize = sizeof local;
    socklen_t peerSize = sizeof peer;
    return getsockname(descriptor, reinterpret_cast<sockaddr*>(&local), &localSize) == 0 &&
           getpeername(descriptor, reinterpret_cast<sockaddr*>(&peer), &peerSize) == 0 &&
           portOf(local) == serverPort && portOf(peer) == clientPort;
}

}  // namespace

bool closeServerConnection(int serverPort, int clientPort) {
    const QStringList descriptors =
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System);
    for (const QString& name : descriptors) {
        bool number = false;
        const int descriptor = name.toInt(&number);
        if (number && connects(descriptor, serverPort, clientPort)) {
            // The descriptor stays the server library's to close; the connection ends now.
            return shutdown(descriptor, SHUT_RDWR) == 0;
        }
    }
    return false;
}

}  // namespace zvemu

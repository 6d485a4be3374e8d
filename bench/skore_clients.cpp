// Hostile but ordinary clients for bench/skore_load.sh: many connections from
// many loopback addresses (127.0.0.2 on, ten a address: under the server's
// cap of 16), held open for a while. "slow": a request head begun and one
// field line a second, never finished; "idle": one page read, then silence,
// as a browser leaves its keep-alive connection. A connection the server
// closes is opened again, so the count stays up for the whole run.
//
//   skore_clients PORT COUNT slow|idle SECONDS
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

int open(int port, int index, bool slow) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    const std::string from =
        "127.0." + std::to_string(1 + index / 2500) + "." + std::to_string(2 + index / 10 % 250);
    inet_pton(AF_INET, from.c_str(), &address.sin_addr);
    ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    address.sin_port = htons(static_cast<unsigned short>(port));
    inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
    ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    pollfd ready{fd, POLLOUT, 0};
    ::poll(&ready, 1, 1000);
    const char *first = slow ? "GET /skore HTTP/1.1\r\nHost: skore\r\n"
                             : "GET /skore HTTP/1.1\r\nHost: skore\r\n\r\n";
    ::send(fd, first, std::strlen(first), MSG_NOSIGNAL);
    return fd;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s PORT COUNT slow|idle SECONDS\n", argv[0]);
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const int count = std::atoi(argv[2]);
    const bool slow = std::strcmp(argv[3], "slow") == 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[4]));
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);

    std::vector<int> fds;
    for (int i = 0; i < count; ++i)
        fds.push_back(open(port, i, slow));
    long reopened = 0;
    char buffer[65536];
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        for (int i = 0; i < count; ++i) {
            // Whatever the server sent is read (an idle client's page); a
            // closed connection is opened again.
            ssize_t n = 0;
            bool closed = false;
            while ((n = ::recv(fds[i], buffer, sizeof buffer, MSG_DONTWAIT)) > 0)
                ;
            closed = n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
            if (!closed && slow)
                closed = ::send(fds[i], "X-Slow: 1\r\n", 11, MSG_NOSIGNAL) < 0;
            if (closed) {
                ::close(fds[i]);
                fds[i] = open(port, i, slow);
                ++reopened;
            }
        }
    }
    std::printf("%d %s connections held; %ld reopened after the server closed them\n", count,
                argv[3], reopened);
    for (int fd : fds)
        ::close(fd);
    return 0;
}

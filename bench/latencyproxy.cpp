// SPDX-License-Identifier: GPL-3.0-or-later
// velmaris_latency_proxy: a link to a PostgreSQL server that is slower than a
// local socket, for the benchmarks of the register. It listens on 127.0.0.1,
// and forwards every connection to the server's Unix socket, each chunk of
// bytes delivered in either direction no earlier than its arrival plus the
// delay: a round trip gains twice the delay.
//
//   velmaris_latency_proxy --listen PORT --to-unix /path/.s.PGSQL.5432
//                          [--delay-us 500] [--lifetime-s 900]
//
// The first line of output is "port N" (PORT 0 picks a free port). It ends by
// itself after the lifetime, or as soon as its standard input (when a pipe)
// closes.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::chrono::microseconds g_delay{500};
std::string g_target;

constexpr std::size_t kChunk = 64 * 1024;
constexpr std::size_t kMaxQueued = 4 * 1024 * 1024; // per direction, then reading waits

struct Chunk {
    Clock::time_point due;
    std::vector<char> bytes;
    std::size_t sent = 0;
};

// One way of a connection: what was read from `from` and is yet to be written to `to`.
struct Direction {
    int from = -1;
    int to = -1;
    std::deque<Chunk> queue;
    std::size_t queued = 0;
    bool readEnded = false;  // `from` said end of file
    bool writeEnded = false; // and `to` was told, once all was written

    bool wantsRead() const { return !readEnded && queued < kMaxQueued; }
    bool dueNow(Clock::time_point now) const { return !queue.empty() && queue.front().due <= now; }

    // Reads what is there; false on an error of the socket.
    bool read(Clock::time_point now)
    {
        char buffer[kChunk];
        const ssize_t n = ::recv(from, buffer, sizeof buffer, 0);
        if (n < 0)
            return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        if (n == 0) {
            readEnded = true;
            return true;
        }
        queued += std::size_t(n);
        queue.push_back({now + g_delay, std::vector<char>(buffer, buffer + n)});
        return true;
    }

    // Writes what is due, in order; false on an error of the socket.
    bool write(Clock::time_point now)
    {
        while (dueNow(now)) {
            Chunk& head = queue.front();
            const ssize_t n = ::send(to, head.bytes.data() + head.sent,
                                     head.bytes.size() - head.sent, MSG_NOSIGNAL);
            if (n < 0)
                return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
            head.sent += std::size_t(n);
            if (head.sent < head.bytes.size())
                return true; // the socket is full: wait until it takes more
            queued -= head.bytes.size();
            queue.pop_front();
        }
        if (readEnded && queue.empty() && !writeEnded) {
            ::shutdown(to, SHUT_WR);
            writeEnded = true;
        }
        return true;
    }
};

void setNonBlocking(int fd)
{
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

int connectTarget()
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, g_target.c_str(), sizeof address.sun_path - 1);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

// Carries one connection until both ways have ended or either side fails.
void serve(int client)
{
    const int server = connectTarget();
    if (server < 0) {
        std::fprintf(stderr, "velmaris_latency_proxy: %s: %s\n", g_target.c_str(),
                     std::strerror(errno));
        ::close(client);
        return;
    }
    const int one = 1;
    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    setNonBlocking(client);
    setNonBlocking(server);
    Direction ways[2];
    ways[0].from = ways[1].to = client;
    ways[0].to = ways[1].from = server;
    for (;;) {
        const Clock::time_point now = Clock::now();
        bool ok = true;
        for (Direction& way : ways)
            ok = ok && way.write(now);
        if (!ok || (ways[0].writeEnded && ways[1].writeEnded))
            break;
        // Each socket: readable when its way has room, writable when the
        // other way has bytes due; the wait ends at the next chunk due.
        pollfd fds[2] = {{client, 0, 0}, {server, 0, 0}};
        Clock::time_point wake = Clock::time_point::max();
        for (int i = 0; i < 2; ++i) {
            const Direction& way = ways[i];
            if (way.wantsRead())
                fds[i].events |= POLLIN;
            if (way.dueNow(now))
                fds[1 - i].events |= POLLOUT;
            else if (!way.queue.empty() && way.queue.front().due < wake)
                wake = way.queue.front().due;
        }
        // A socket nothing is wanted from is left out: a hang-up it keeps
        // reporting would wake the wait again and again.
        for (pollfd& fd : fds)
            if (fd.events == 0)
                fd.fd = -1;
        timespec timeout{};
        timespec* wait = nullptr;
        if (wake != Clock::time_point::max()) {
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wake - now);
            timeout.tv_sec = time_t(ns.count() / 1000000000);
            timeout.tv_nsec = long(ns.count() % 1000000000);
            wait = &timeout;
        }
        if (::ppoll(fds, 2, wait, nullptr) < 0 && errno != EINTR)
            break;
        const Clock::time_point arrival = Clock::now();
        // An error or a hang-up is read out too: recv says end or error. One
        // on a socket only written to shows at the write.
        for (int i = 0; i < 2; ++i)
            if ((fds[i].revents & (POLLIN | POLLERR | POLLHUP)) && ways[i].wantsRead())
                ok = ok && ways[i].read(arrival);
        if (!ok)
            break;
    }
    ::close(client);
    ::close(server);
}

[[noreturn]] void usage()
{
    std::fprintf(stderr, "usage: velmaris_latency_proxy --listen PORT --to-unix SOCKET "
                         "[--delay-us 500] [--lifetime-s 900]\n");
    std::exit(2);
}

} // namespace

int main(int argc, char** argv)
{
    long port = -1;
    long lifetime = 900;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const char* value = argv[i + 1];
        if (option == "--listen")
            port = std::strtol(value, nullptr, 10);
        else if (option == "--to-unix")
            g_target = value;
        else if (option == "--delay-us")
            g_delay = std::chrono::microseconds(std::strtol(value, nullptr, 10));
        else if (option == "--lifetime-s")
            lifetime = std::strtol(value, nullptr, 10);
        else
            usage();
    }
    if (argc % 2 == 0 || port < 0 || port > 65535 || g_target.empty()
        || g_target.size() >= sizeof(sockaddr_un::sun_path) || g_delay.count() < 0 || lifetime <= 0)
        usage();
    std::signal(SIGPIPE, SIG_IGN);
    // Waits end on time, not up to 50 µs late (the threads inherit it).
    ::prctl(PR_SET_TIMERSLACK, 1UL);

    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0
        || ::listen(listener, 128) != 0
        || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("velmaris_latency_proxy: 127.0.0.1");
        return 1;
    }
    std::printf("port %d\n", int(ntohs(address.sin_port)));
    std::fflush(stdout);

    // Standard input tells when whoever started the proxy is done, when it is
    // a pipe or a socket (not a terminal, /dev/null or a file).
    struct stat input {};
    const bool watchInput =
        ::fstat(STDIN_FILENO, &input) == 0 && (S_ISFIFO(input.st_mode) || S_ISSOCK(input.st_mode));
    const Clock::time_point end = Clock::now() + std::chrono::seconds(lifetime);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0)
            break;
        pollfd fds[2] = {{listener, POLLIN, 0}, {watchInput ? STDIN_FILENO : -1, POLLIN, 0}};
        if (::poll(fds, 2, int(std::min<long long>(left, 60000))) < 0 && errno != EINTR)
            break;
        if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL))
            break;
        if (fds[1].revents & POLLIN) {
            char buffer[256];
            if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
                break;
        }
        if (fds[0].revents & POLLIN) {
            const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            try {
                if (client >= 0)
                    std::thread(serve, client).detach();
            } catch (const std::system_error&) {
                ::close(client); // no thread left for it
            }
        }
    }
    // The connections still open end with the process.
    std::fflush(stderr);
    std::_Exit(0);
}

#pragma once

#include "updaterules.h"

#include <QUrl>

#include <functional>
#include <memory>

class QObject;

// The download needs QtNetwork, and its TLS and proxy libraries behind it: the
// transfers run in a module of their own (libvelmaris_network.so), loaded at
// the first download. What is fetched is judged by IndexUpdater, in the window.
namespace velmaris {

inline constexpr char kNetworkModule[] = "libvelmaris_network.so";
inline constexpr char kNetworkEntry[] = "velmaris_network_module";

// One GET under way. Deleting it drops the transfer without a word.
class HttpTransfer {
public:
    virtual ~HttpTransfer() = default;
    // Stops the transfer; finished still comes, with a network error.
    virtual void abort() = 0;
};

struct HttpGet {
    QUrl url;
    int timeoutMs = 30000; // nothing received for this long ends the transfer
    std::function<void(qint64 received, qint64 total)> progress;
    // Once, from the event loop; the transfer may be deleted in it.
    std::function<void(const DownloadReply& reply)> finished;
};

struct NetworkModule {
    // Starts a GET of the server's own copy (no cache), redirects only to
    // places as safe; the network objects are children of owner.
    std::unique_ptr<HttpTransfer> (*get)(const HttpGet& get, QObject* owner);
    // Whether the system reports a network connection (yes when it cannot tell).
    bool (*connected)();
};

// The module's entry.
using NetworkModuleEntry = const NetworkModule* (*)();

} // namespace velmaris

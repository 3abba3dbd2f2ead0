// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "updaterules.h"

#include <QUrl>

#include <functional>
#include <memory>

class QObject;

// The download's HTTP transfers, through QtNetwork. What is fetched is judged
// by IndexUpdater.
namespace velmaris {

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

// Starts a GET of the server's own copy (no cache), redirects only to places
// as safe; the network objects are children of owner.
std::unique_ptr<HttpTransfer> startHttpGet(const HttpGet& get, QObject* owner);

} // namespace velmaris

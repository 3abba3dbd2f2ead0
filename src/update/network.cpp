// SPDX-License-Identifier: GPL-3.0-or-later
#include "network.h"

#include <QNetworkInformation>

namespace velmaris {

bool networkConnected()
{
    if (!QNetworkInformation::instance()
        && !QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        return true;
    const auto* info = QNetworkInformation::instance();
    if (!info)
        return true;
    switch (info->reachability()) {
    case QNetworkInformation::Reachability::Disconnected:
        return false;
    default:
        return true; // Unknown counts as connected
    }
}

} // namespace velmaris

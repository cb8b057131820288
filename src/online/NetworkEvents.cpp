#include "online/NetworkEvents.h"

#include <QNetworkInformation>

namespace {

// Unknown counts as available: without a clear answer the requests are tried and fail normally.
bool Reaches(QNetworkInformation::Reachability reachability) {
    switch (reachability) {
    case QNetworkInformation::Reachability::Disconnected:
    case QNetworkInformation::Reachability::Local:
    case QNetworkInformation::Reachability::Site:
        return false;
    case QNetworkInformation::Reachability::Unknown:
    case QNetworkInformation::Reachability::Online:
        break;
    }
    return true;
}

} // namespace

CSystemNetworkEvents::CSystemNetworkEvents() : m_context(std::make_unique<QObject>()) {
    if (!QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        return;
    QNetworkInformation* info = QNetworkInformation::instance();
    m_bAvailable = Reaches(info->reachability());
    QObject::connect(info, &QNetworkInformation::reachabilityChanged, m_context.get(),
                     [this](QNetworkInformation::Reachability reachability) {
                         const bool available = Reaches(reachability);
                         if (available == m_bAvailable)
                             return;
                         m_bAvailable = available;
                         Changed(available);
                     });
}

CSystemNetworkEvents::~CSystemNetworkEvents() = default;

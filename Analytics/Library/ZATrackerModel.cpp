#include "Analytics/Library/ZATrackerModel.h"

#include "Analytics/Library/ZAClock.h"
#include "Analytics/Library/ZAConstants.h"
#include "Analytics/Library/ZADataStore.h"
#include "Analytics/Library/ZAHitUtil.h"
#include "Analytics/Library/ZALog.h"
#include "Analytics/Library/ZAStringUtil.h"

#include <QtCore/QRandomGenerator>

#include <atomic>
#include <mutex>

using namespace za;

namespace {

struct Tables {
    bool built = false;
    ZAHitParameters defaults;
    ZAHitParameters forced;
    QStringList computedKeys;
    QStringList required;
};

std::mutex& tablesLock() {
    static std::mutex lock;
    return lock;
}

Tables& tablesSlot() {
    static Tables tables;
    return tables;
}

std::atomic<std::uint32_t>& screenViewCounter() {
    static std::atomic<std::uint32_t> counter{0};
    return counter;
}

std::atomic<std::uint64_t>& cacheBusterValue() {
    static std::atomic<std::uint64_t> value{0};
    return value;
}

void seedCounters() {
    constexpr std::uint32_t kCounterMax = 2147483646u;
    screenViewCounter().store(QRandomGenerator::global()->bounded(1u, kCounterMax + 1));
    const std::uint64_t high = QRandomGenerator::global()->generate();
    const std::uint64_t low = QRandomGenerator::global()->generate();
    cacheBusterValue().store((high << 32) | low);
}

Tables tables() {
    std::lock_guard guard(tablesLock());
    Tables& t = tablesSlot();
    if (!t.built) {
        const ZAHitUtil::DeviceInfo info = ZAHitUtil::deviceInfo();
        const QString name = !info.bundleName.isEmpty() ? info.bundleName : info.bundleIdentifier;
        if (name.isEmpty()) {
            ZA_LOG(Warning, u"could not load application name or identifier.");
        } else {
            t.defaults.insert(kZAAppName(), name);
        }
        if (!info.shortVersion.isEmpty()) {
            t.defaults.insert(kZAAppVersion(), info.shortVersion);
        }
        if (!info.bundleIdentifier.isEmpty()) {
            t.defaults.insert(kZAAppId(), info.bundleIdentifier);
        }
        t.defaults.insert(kZAVersionField(), kZAVersion());
        t.forced.insert(kZAClientVersion(), QStringLiteral("mi3.0.9"));
        t.forced.insert(kZAApiVersion(), QStringLiteral("1"));
        // The system has no advertising id: "&idfa" and "&ate" are never produced.
        t.computedKeys = {kZALanguage(), kZAScreenResolution(), kZAScreenViewCounterId(), kZACrc(),
                          kZAClientId()};
        t.required = t.computedKeys + t.defaults.keys();
        seedCounters();
        t.built = true;
    }
    return t;
}

}  // namespace

ZAHitParameters ZATrackerModel::defaultParameters() {
    return tables().defaults;
}

ZAHitParameters ZATrackerModel::forcedParameters() {
    return tables().forced;
}

QStringList ZATrackerModel::requiredParameters() {
    return tables().required;
}

void ZATrackerModel::resetTables() {
    std::lock_guard guard(tablesLock());
    tablesSlot() = Tables();
}

ZATrackerModel::ZATrackerModel(std::shared_ptr<ZADataStore> store)
    : parameters_(defaultParameters()), dataStore_(std::move(store)) {
    if (!dataStore_) {
        ZA_LOG(Warning, u"nil dataStore, new dataStore instance being created for testing.");
        dataStore_ = ZADataStore::dataStore();
    }
}

QVariant ZATrackerModel::computed(const QString& key) const {
    if (key == kZALanguage()) {
        return language();
    }
    if (key == kZAScreenResolution()) {
        return screenResolution();
    }
    if (key == kZAScreenViewCounterId()) {
        return screenViewCounterId();
    }
    if (key == kZACrc()) {
        return crc();
    }
    if (key == kZAClientId()) {
        return clientId();
    }
    return QVariant();
}

QVariant ZATrackerModel::value(const QString& key) const {
    if (key.isNull()) {
        return QVariant();
    }
    const auto it = parameters_.constFind(key);
    if (it != parameters_.cend()) {
        return *it;
    }
    return computed(key);
}

void ZATrackerModel::setValue(const QString& key, const QVariant& value) {
    if (key.isNull()) {
        return;
    }
    parameters_.insert(key, value.isValid() ? value : ZANull());
}

std::shared_ptr<ZATrackerModel> ZATrackerModel::copy() const {
    return std::make_shared<ZATrackerModel>(*this);
}

std::shared_ptr<ZATrackerModel> ZATrackerModel::copyWithOverride(const ZAHitParameters& hit) const {
    auto result = copy();
    for (auto it = hit.cbegin(); it != hit.cend(); ++it) {
        result->parameters_.insert(it.key(), it.value());
    }
    return result;
}

ZAHitParameters ZATrackerModel::buildDictionary() const {
    ZAHitParameters built;
    for (const QString& key : requiredParameters()) {
        const QVariant v = value(key);
        built.insert(key, v.isValid() ? v : ZANull());
    }
    for (auto it = parameters_.cbegin(); it != parameters_.cend(); ++it) {
        built.insert(it.key(), it.value());
    }
    const ZAHitParameters forced = forcedParameters();
    for (auto it = forced.cbegin(); it != forced.cend(); ++it) {
        built.insert(it.key(), it.value());
    }
    const QVariant clientIdValue = built.value(kZAClientId());
    if (isZANull(clientIdValue) ||
        (isZAText(clientIdValue) && clientIdValue.toString().isEmpty())) {
        built.insert(kZAClientId(), clientId());
    }
    built.insert(kZACacheBuster(), cacheBuster());
    return built;
}

void ZATrackerModel::willSendScreenView() {
    tables();
    std::uint32_t current = screenViewCounter().load();
    std::uint32_t next = 0;
    do {
        next = current >= kMaxScreenViewCounter ? 1 : current + 1;
    } while (!screenViewCounter().compare_exchange_weak(current, next));
}

QString ZATrackerModel::language() const {
    return ZAHitUtil::systemLanguage();
}

QString ZATrackerModel::screenResolution() const {
    return ZAHitUtil::systemScreenResolution();
}

QString ZATrackerModel::clientId() const {
    return dataStore_->clientId();
}

QString ZATrackerModel::screenViewCounterId() const {
    tables();
    return QString::number(screenViewCounter().load());
}

QString ZATrackerModel::crc() const {
    const auto now = static_cast<std::int64_t>(nowSeconds());
    if (now - dataStore_->lastChangeTimeStamp() > kChangeCountPeriod) {
        dataStore_->setLastChangeTimeStamp(now);
        dataStore_->setIdfaChangeCount(0);
    }
    return QString::number(dataStore_->idfaChangeCount());
}

QString ZATrackerModel::cacheBuster() {
    tables();
    return ZAStringUtil::uintString(cacheBusterValue().fetch_add(1));
}

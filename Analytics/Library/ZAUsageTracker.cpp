#include "Analytics/Library/ZAUsageTracker.h"

#include <QtCore/QHash>
#include <QtCore/QSet>

#include <algorithm>
#include <mutex>

namespace {

struct UsageState {
    std::mutex lock;
    QString sequence;
    QHash<const void*, QSet<QChar>> targets;
};

UsageState& state() {
    static UsageState usage;
    return usage;
}

// The SDK-wide operations' target.
const int kClassTarget = 0;

const QHash<QString, QChar>& letters() {
    static const QHash<QString, QChar> table = {
        {QStringLiteral("set:forKey:"), u'A'},
        {QStringLiteral("setAll:"), u'B'},
        {QStringLiteral("dictionaryGet:"), u'C'},
        {QStringLiteral("setCampaignParametersFromUrl:"), u'D'},
        {QStringLiteral("get:"), u'J'},
        {QStringLiteral("set:value:"), u'K'},
        {QStringLiteral("send:"), u'L'},
        {QStringLiteral("setTrackUncaughtExceptions:"), u'e'},
        {QStringLiteral("trackUncaughtExceptions"), u'f'},
        {QStringLiteral("createTransactionWithId:affiliation:revenue:tax:shipping:currencyCode:"),
         u'g'},
        {QStringLiteral("createExceptionWithDescription:withFatal:"), u'h'},
        {QStringLiteral("createTimingWithCategory:interval:name:label:"), u'j'},
        {QStringLiteral("createSocialWithNetwork:action:target:"), u'k'},
        {QStringLiteral("trackerWithName:trackingId:"), u'n'},
        {QStringLiteral("defaultTracker"), u'o'},
        {QStringLiteral("setDefaultTracker:"), u'p'},
        {QStringLiteral("setOptOut:"), u'q'},
        {QStringLiteral("optOut"), u'r'},
        {QStringLiteral("dispatch"), u's'},
        {QStringLiteral("setDispatchInterval:"), u't'},
        {QStringLiteral("createEventWithCategory:action:label:value:"), u'y'},
        {QStringLiteral(
             "createItemWithTransactionId:name:sku:category:price:quantity:currencyCode:"),
         u'z'},
        {QStringLiteral("setDryRun:"), u'2'},
        {QStringLiteral("dryRun"), u'3'},
        {QStringLiteral("setLogger:"), u'4'},
        {QStringLiteral("removeTrackerByName:"), u'7'},
        {QStringLiteral("createScreenView"), u'9'},
        {QStringLiteral("createAppView"), u'-'},
    };
    return table;
}

QString sortedLetters(const QSet<QChar>& set) {
    QList<QChar> list(set.cbegin(), set.cend());
    std::sort(list.begin(), list.end());
    QString text;
    for (QChar c : list) {
        text.append(c);
    }
    return text;
}

}  // namespace

ZAUsageTracker::~ZAUsageTracker() {
    std::lock_guard guard(state().lock);
    state().targets.remove(this);
}

QString ZAUsageTracker::letterFor(const char* selector) {
    const auto it = letters().constFind(QString::fromLatin1(selector));
    return it == letters().cend() ? QString() : QString(*it);
}

void ZAUsageTracker::trackTarget(const void* target, const char* selector) {
    const auto it = letters().constFind(QString::fromLatin1(selector));
    if (it == letters().cend()) {
        return;
    }
    std::lock_guard guard(state().lock);
    state().targets[target].insert(*it);
    state().sequence.append(*it);
}

void ZAUsageTracker::trackAction(const char* selector) {
    trackTarget(&kClassTarget, selector);
}

void ZAUsageTracker::trackInstanceAction(const char* selector) {
    trackTarget(this, selector);
}

QString ZAUsageTracker::getUsageSequence() {
    std::lock_guard guard(state().lock);
    QString taken;
    taken.swap(state().sequence);
    return taken.isEmpty() ? QString(QLatin1String("")) : QLatin1Char('.') + taken;
}

QString ZAUsageTracker::getUsage() {
    std::lock_guard guard(state().lock);
    QSet<QChar> all = state().targets.take(this);
    all.unite(state().targets.take(&kClassTarget));
    return sortedLetters(all);
}

void ZAUsageTracker::reset() {
    std::lock_guard guard(state().lock);
    state().sequence.clear();
    state().targets.clear();
}

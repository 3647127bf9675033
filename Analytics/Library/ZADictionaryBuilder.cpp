#include "Analytics/Library/ZADictionaryBuilder.h"

#include "Analytics/Library/ZAConstants.h"
#include "Analytics/Library/ZAFields.h"
#include "Analytics/Library/ZALog.h"
#include "Analytics/Library/ZAStringUtil.h"
#include "Analytics/Library/ZAUsageTracker.h"

#include <array>
#include <utility>

using namespace za;

QVariant za::valueForString(const QString& text) {
    return text.isNull() ? ZANull() : QVariant(text);
}

QVariant za::valueForNumber(const QVariant& number) {
    return isZANumber(number) ? QVariant(ZANumberText(number)) : ZANull();
}

ZADictionaryBuilder ZADictionaryBuilder::withHitType(const QString& type) {
    ZADictionaryBuilder builder;
    builder.parameters_.insert(kZAHitType(), type);
    return builder;
}

ZADictionaryBuilder ZADictionaryBuilder::createScreenView() {
    ZAUsageTracker::trackAction("createScreenView");
    return withHitType(kZAScreenView());
}

ZADictionaryBuilder ZADictionaryBuilder::createAppView() {
    ZAUsageTracker::trackAction("createAppView");
    return withHitType(kZAScreenView());
}

ZADictionaryBuilder ZADictionaryBuilder::createEventWithCategory(const QString& category,
                                                                 const QString& action,
                                                                 const QString& label,
                                                                 const QVariant& value) {
    ZAUsageTracker::trackAction("createEventWithCategory:action:label:value:");
    ZADictionaryBuilder builder = withHitType(kZAEvent());
    builder.za_set(valueForString(category), kZAEventCategory());
    builder.za_set(valueForString(action), kZAEventAction());
    builder.za_set(valueForString(label), kZAEventLabel());
    builder.za_set(valueForNumber(value), kZAEventValue());
    return builder;
}

ZADictionaryBuilder ZADictionaryBuilder::za_exceptionWithDescription(const QString& description,
                                                                     const QVariant& fatal) {
    ZADictionaryBuilder builder = withHitType(kZAException());
    builder.za_set(valueForNumber(fatal), kZAExFatal());
    builder.za_set(valueForString(description), kZAExDescription());
    return builder;
}

ZADictionaryBuilder ZADictionaryBuilder::createExceptionWithDescription(const QString& description,
                                                                        const QVariant& fatal) {
    ZAUsageTracker::trackAction("createExceptionWithDescription:withFatal:");
    return za_exceptionWithDescription(description, fatal);
}

ZADictionaryBuilder ZADictionaryBuilder::createTimingWithCategory(const QString& category,
                                                                  const QVariant& interval,
                                                                  const QString& name,
                                                                  const QString& label) {
    ZAUsageTracker::trackAction("createTimingWithCategory:interval:name:label:");
    ZADictionaryBuilder builder = withHitType(kZATiming());
    builder.za_set(valueForString(category), kZATimingCategory());
    builder.za_set(valueForString(name), kZATimingVar());
    builder.za_set(valueForNumber(interval), kZATimingValue());
    builder.za_set(valueForString(label), kZATimingLabel());
    return builder;
}

ZADictionaryBuilder ZADictionaryBuilder::createSocialWithNetwork(const QString& network,
                                                                 const QString& action,
                                                                 const QString& target) {
    ZAUsageTracker::trackAction("createSocialWithNetwork:action:target:");
    ZADictionaryBuilder builder = withHitType(kZASocial());
    builder.za_set(valueForString(network), kZASocialNetwork());
    builder.za_set(valueForString(action), kZASocialAction());
    builder.za_set(valueForString(target), kZASocialTarget());
    return builder;
}

ZADictionaryBuilder ZADictionaryBuilder::createTransactionWithId(
    const QString& transactionId, const QString& affiliation, const QVariant& revenue,
    const QVariant& tax, const QVariant& shipping, const QString& currencyCode) {
    ZAUsageTracker::trackAction(
        "createTransactionWithId:affiliation:revenue:tax:shipping:currencyCode:");
    ZADictionaryBuilder builder = withHitType(kZATransaction());
    builder.za_set(valueForString(transactionId), kZATransactionId());
    builder.za_set(valueForString(affiliation), kZATransactionAffiliation());
    builder.za_set(valueForNumber(revenue), kZATransactionRevenue());
    builder.za_set(valueForNumber(tax), kZATransactionTax());
    builder.za_set(valueForNumber(shipping), kZATransactionShipping());
    builder.za_set(valueForString(currencyCode), kZACurrencyCode());
    return builder;
}

ZADictionaryBuilder ZADictionaryBuilder::createItemWithTransactionId(
    const QString& transactionId, const QString& name, const QString& sku, const QString& category,
    const QVariant& price, const QVariant& quantity, const QString& currencyCode) {
    ZAUsageTracker::trackAction(
        "createItemWithTransactionId:name:sku:category:price:quantity:currencyCode:");
    ZADictionaryBuilder builder = withHitType(kZAItem());
    builder.za_set(valueForString(transactionId), kZATransactionId());
    builder.za_set(valueForString(name), kZAItemName());
    builder.za_set(valueForString(sku), kZAItemSku());
    builder.za_set(valueForString(category), kZAItemCategory());
    builder.za_set(valueForNumber(price), kZAItemPrice());
    builder.za_set(valueForNumber(quantity), kZAItemQuantity());
    builder.za_set(valueForString(currencyCode), kZACurrencyCode());
    return builder;
}

ZADictionaryBuilder& ZADictionaryBuilder::za_set(const QVariant& value, const QString& key) {
    if (key.isNull()) {
        logPlain(LogLevel::Warning, QStringLiteral("nil key not allowed in setString"));
        return *this;
    }
    parameters_.insert(key, value.isValid() ? value : ZANull());
    return *this;
}

ZADictionaryBuilder& ZADictionaryBuilder::set(const QVariant& value, const QString& key) {
    ZAUsageTracker::trackAction("set:forKey:");
    return za_set(value, key);
}

ZADictionaryBuilder& ZADictionaryBuilder::setAll(const QVariantMap& parameters) {
    ZAUsageTracker::trackAction("setAll:");
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it) {
        if (!isZAText(it.value()) && !isZANull(it.value())) {
            logPlain(LogLevel::Warning, QStringLiteral("Unexpected value type: %1")
                                            .arg(QString::fromLatin1(it.value().typeName())));
            continue;
        }
        parameters_.insert(it.key(), it.value());
    }
    return *this;
}

std::optional<QString> ZADictionaryBuilder::get(const QString& key) const {
    ZAUsageTracker::trackAction("dictionaryGet:");
    const QVariant value = parameters_.value(key);
    if (isZAText(value)) {
        return value.toString();
    }
    if (isZANull(value)) {
        return std::nullopt;
    }
    logPlain(LogLevel::Warning, QStringLiteral("Unexpected type in Builder: %1")
                                    .arg(value.isValid() ? QString::fromLatin1(value.typeName())
                                                         : QStringLiteral("(null)")));
    return std::nullopt;
}

ZADictionaryBuilder& ZADictionaryBuilder::setCampaignParametersFromUrl(const QString& url) {
    ZAUsageTracker::trackAction("setCampaignParametersFromUrl:");
    QString query = ZAStringUtil::urlParams(url);
    if (query.isEmpty()) {
        query = url;
    }
    const auto decoded = ZAStringUtil::decodeParametersFromQuery(query);
    static const std::array<std::pair<const char*, const char*>, 9> kCampaignFields = {{
        {"clid", "&clid"},
        {"dclid", "&dclid"},
        {"mob_t", "&mob_t"},
        {"utm_source", "&cs"},
        {"utm_medium", "&cm"},
        {"utm_campaign", "&cn"},
        {"utm_term", "&ck"},
        {"utm_content", "&cc"},
        {"utm_id", "&ci"},
    }};
    for (const auto& [queryKey, field] : kCampaignFields) {
        const auto it = decoded.constFind(QString::fromLatin1(queryKey));
        za_set(it == decoded.cend() ? ZANull() : QVariant(*it), QString::fromLatin1(field));
    }
    return *this;
}

ZADictionaryBuilder& ZADictionaryBuilder::setProductAction(
    std::shared_ptr<const ZAProductAction> action) {
    productAction_ = std::move(action);
    return *this;
}

ZADictionaryBuilder& ZADictionaryBuilder::addProduct(
    std::shared_ptr<const ZAIndexedBlock> product) {
    if (product) {
        products_.push_back(std::move(product));
    }
    return *this;
}

ZADictionaryBuilder& ZADictionaryBuilder::addPromotion(
    std::shared_ptr<const ZAIndexedBlock> promotion) {
    if (promotion) {
        promotions_.push_back(std::move(promotion));
    }
    return *this;
}

ZADictionaryBuilder& ZADictionaryBuilder::addProductImpression(
    std::shared_ptr<const ZAImpression> impression, const QString& impressionList) {
    if (!impression) {
        return *this;
    }
    const QString name = impressionList.isNull() ? QString(QLatin1String("")) : impressionList;
    if (!impressionListNames_.contains(name)) {
        impressionListNames_.append(name);
    }
    impressionLists_[name].push_back(std::move(impression));
    return *this;
}

namespace {

void insertAll(ZAHitParameters& into, const ZAHitParameters& from) {
    for (auto it = from.cbegin(); it != from.cend(); ++it) {
        into.insert(it.key(), it.value());
    }
}

template <class Block>
void insertByPosition(ZAHitParameters& into, const std::vector<std::shared_ptr<Block>>& blocks) {
    unsigned long position = 1;
    for (const auto& block : blocks) {
        insertAll(into, block->buildWithIndex(position++));
    }
}

}  // namespace

ZAHitParameters ZADictionaryBuilder::build() const {
    ZAHitParameters built = parameters_;
    if (productAction_) {
        insertAll(built, productAction_->build());
    }
    insertByPosition(built, products_);
    insertByPosition(built, promotions_);
    unsigned long list = 1;
    for (const QString& name : impressionListNames_) {
        built.insert(ZAEcommerceFields::impressionListForIndex(list) + kZAImpressionName(), name);
        unsigned long position = 1;
        for (const auto& impression : impressionLists_.value(name)) {
            insertAll(built, impression->buildWithListIndex(list, position++));
        }
        ++list;
    }
    return built;
}

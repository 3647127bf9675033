#pragma once

#include "Analytics/Library/ZAHitValue.h"

#include <QtCore/QString>

#include <QtCore/QStringList>

#include <memory>
#include <optional>
#include <vector>

// E-commerce blocks a hit may carry. The builder only places their fields; the blocks make them.
class ZAProductAction {
public:
    virtual ~ZAProductAction() = default;
    virtual ZAHitParameters build() const = 0;
};

// A product or a promotion, whose fields name its 1-based position.
class ZAIndexedBlock {
public:
    virtual ~ZAIndexedBlock() = default;
    virtual ZAHitParameters buildWithIndex(unsigned long index) const = 0;
};

class ZAImpression {
public:
    virtual ~ZAImpression() = default;
    virtual ZAHitParameters buildWithListIndex(unsigned long list, unsigned long index) const = 0;
};

// Makes the parameter dictionary of one hit: a class operation per kind of hit sets its type and
// fields, further operations add fields, and build() returns the dictionary. A missing text or
// number is kept as the null marker, which overrides a default and is not sent.
class ZADictionaryBuilder {
public:
    static ZADictionaryBuilder createScreenView();
    static ZADictionaryBuilder createAppView();
    // A null label stands for none; a value that is not a number for none.
    static ZADictionaryBuilder createEventWithCategory(const QString& category,
                                                       const QString& action, const QString& label,
                                                       const QVariant& value = {});
    static ZADictionaryBuilder createExceptionWithDescription(const QString& description,
                                                              const QVariant& fatal);
    // The same, without a usage record (the uncaught-exception handler).
    static ZADictionaryBuilder za_exceptionWithDescription(const QString& description,
                                                           const QVariant& fatal);
    static ZADictionaryBuilder createTimingWithCategory(const QString& category,
                                                        const QVariant& interval,
                                                        const QString& name, const QString& label);
    static ZADictionaryBuilder createSocialWithNetwork(const QString& network,
                                                       const QString& action,
                                                       const QString& target);
    static ZADictionaryBuilder createTransactionWithId(const QString& transactionId,
                                                       const QString& affiliation,
                                                       const QVariant& revenue, const QVariant& tax,
                                                       const QVariant& shipping,
                                                       const QString& currencyCode);
    static ZADictionaryBuilder createItemWithTransactionId(const QString& transactionId,
                                                           const QString& name, const QString& sku,
                                                           const QString& category,
                                                           const QVariant& price,
                                                           const QVariant& quantity,
                                                           const QString& currencyCode);

    // A null key is refused with a warning; an invalid value is kept as the null marker.
    ZADictionaryBuilder& set(const QVariant& value, const QString& key);
    // Texts and null markers under text keys; anything else is skipped with a warning.
    ZADictionaryBuilder& setAll(const QVariantMap& parameters);
    // The stored text; none for the null marker, a missing key or a value of another kind.
    std::optional<QString> get(const QString& key) const;
    // The nine campaign fields from a URL's query (or the text itself when it has none).
    ZADictionaryBuilder& setCampaignParametersFromUrl(const QString& url);

    ZADictionaryBuilder& setProductAction(std::shared_ptr<const ZAProductAction> action);
    ZADictionaryBuilder& addProduct(std::shared_ptr<const ZAIndexedBlock> product);
    ZADictionaryBuilder& addPromotion(std::shared_ptr<const ZAIndexedBlock> promotion);
    // An impression without an object is ignored; a null list name counts as the empty name.
    ZADictionaryBuilder& addProductImpression(std::shared_ptr<const ZAImpression> impression,
                                              const QString& impressionList);

    // The plain fields, then the product action's, the products' and promotions' by position,
    // and each impression list's name and impressions; later entries win.
    ZAHitParameters build() const;
    const ZAHitParameters& parameters() const { return parameters_; }

private:
    ZADictionaryBuilder& za_set(const QVariant& value, const QString& key);
    static ZADictionaryBuilder withHitType(const QString& type);

    ZAHitParameters parameters_;
    std::shared_ptr<const ZAProductAction> productAction_;
    std::vector<std::shared_ptr<const ZAIndexedBlock>> products_;
    std::vector<std::shared_ptr<const ZAIndexedBlock>> promotions_;
    QStringList impressionListNames_;
    QMap<QString, std::vector<std::shared_ptr<const ZAImpression>>> impressionLists_;
};

namespace za {
// A text, or the null marker for a null text.
QVariant valueForString(const QString& text);
// A number's decimal text, or the null marker for anything else.
QVariant valueForNumber(const QVariant& number);
}  // namespace za

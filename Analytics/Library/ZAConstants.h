#pragma once

#include <QtCore/QString>

// The wire vocabulary of hits: field names ("&"-prefixed), hit types and the SDK's identity.
// Functions rather than global objects, so that nothing depends on the order of static set-up.
namespace za {

#define ZA_NAME(fn, text)            \
    inline QString fn() {            \
        return QStringLiteral(text); \
    }

// Hit and client.
ZA_NAME(kZAHitType, "&t")
ZA_NAME(kZAApiVersion, "&v")
ZA_NAME(kZATrackingId, "&tid")
ZA_NAME(kZAClientId, "&cid")
ZA_NAME(kZAClientVersion, "&_v")
ZA_NAME(kZASessionControl, "&sc")
ZA_NAME(kZAScreenResolution, "&sr")
ZA_NAME(kZALanguage, "&ul")
ZA_NAME(kZAScreenName, "&cd")
ZA_NAME(kZAScreenViewCounterId, "&a")
ZA_NAME(kZAAppName, "&an")
ZA_NAME(kZAAppVersion, "&av")
ZA_NAME(kZAAppId, "&aid")
ZA_NAME(kZASampleRate, "&sf")
ZA_NAME(kZAIdfa, "&idfa")
ZA_NAME(kZAAdTargetingEnabled, "&ate")
ZA_NAME(kZAQueueTime, "&qt")
ZA_NAME(kZACacheBuster, "&z")
ZA_NAME(kZAUsageTracking, "&_u")
ZA_NAME(kZAHitTime, "&ht")
ZA_NAME(kZACrc, "&_crc")
ZA_NAME(kZAUseSecure, "useSecure")
// Event.
ZA_NAME(kZAEventCategory, "&ec")
ZA_NAME(kZAEventAction, "&ea")
ZA_NAME(kZAEventLabel, "&el")
ZA_NAME(kZAEventValue, "&ev")
// Social.
ZA_NAME(kZASocialNetwork, "&sn")
ZA_NAME(kZASocialAction, "&sa")
ZA_NAME(kZASocialTarget, "&st")
// Transaction and item.
ZA_NAME(kZATransactionId, "&ti")
ZA_NAME(kZATransactionAffiliation, "&ta")
ZA_NAME(kZATransactionRevenue, "&tr")
ZA_NAME(kZATransactionShipping, "&ts")
ZA_NAME(kZATransactionTax, "&tt")
ZA_NAME(kZACurrencyCode, "&cu")
ZA_NAME(kZAItemPrice, "&ip")
ZA_NAME(kZAItemQuantity, "&iq")
ZA_NAME(kZAItemSku, "&ic")
ZA_NAME(kZAItemName, "&in")
ZA_NAME(kZAItemCategory, "&iv")
// Campaign.
ZA_NAME(kZACampaignSource, "&cs")
ZA_NAME(kZACampaignMedium, "&cm")
ZA_NAME(kZACampaignName, "&cn")
ZA_NAME(kZACampaignKeyword, "&ck")
ZA_NAME(kZACampaignContent, "&cc")
ZA_NAME(kZACampaignId, "&ci")
ZA_NAME(kZAClid, "&clid")
ZA_NAME(kZADclid, "&dclid")
ZA_NAME(kZAMob_t, "&mob_t")
// Timing.
ZA_NAME(kZATimingCategory, "&utc")
ZA_NAME(kZATimingVar, "&utv")
ZA_NAME(kZATimingValue, "&utt")
ZA_NAME(kZATimingLabel, "&utl")
// Exception.
ZA_NAME(kZAExDescription, "&exd")
ZA_NAME(kZAExFatal, "&exf")
// Hit types.
ZA_NAME(kZAAppView, "appview")
ZA_NAME(kZAScreenView, "screenview")
ZA_NAME(kZAEvent, "event")
ZA_NAME(kZASocial, "social")
ZA_NAME(kZATransaction, "transaction")
ZA_NAME(kZAItem, "item")
ZA_NAME(kZAException, "exception")
ZA_NAME(kZATiming, "timing")
// Values of "&sc".
ZA_NAME(kZAHitFormatSessionStart, "start")
ZA_NAME(kZAHitFormatSessionStop, "end")
// E-commerce.
ZA_NAME(kZAImpressionName, "nm")
// Campaign query keys.
ZA_NAME(kZAInputCampaignSource, "utm_source")
ZA_NAME(kZAInputCampaignMedium, "utm_medium")
ZA_NAME(kZAInputCampaignName, "utm_campaign")
ZA_NAME(kZAInputCampaignTerm, "utm_term")
ZA_NAME(kZAInputCampaignContent, "utm_content")
ZA_NAME(kZAInputCampaignClickId, "clid")
ZA_NAME(kZAInputCampaignDisplayClickId, "dclid")
ZA_NAME(kZAInputCampaignAdTicketId, "mob_t")
// SDK identity.
ZA_NAME(kZAProduct, "ZelvoAnalytics")
ZA_NAME(kZAVersion, "3.09")
ZA_NAME(kZAVersionField, "zaVersion")

#undef ZA_NAME

}  // namespace za

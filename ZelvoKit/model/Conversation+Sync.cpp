#include "ZelvoKit/model/Conversation.h"

#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"

namespace {

using namespace Qt::Literals::StringLiterals;
using LoadRequest = ZVConversationLoadRequest;

const QString kDirection = u"mk_direction"_s;
const QString kFromMessageNr = u"from_message_nr"_s;
const QString kSyncMethod = u"conversation/sync/%@"_s;

// Loads wait behind the user's own changes.
constexpr int kLoadPriority = 4;
// A context load shows this many messages, centred on the message.
constexpr std::int64_t kContextCount = 100;
constexpr std::int64_t kContextBefore = 50;
// A gap fill brings this many messages on its side of the message.
constexpr std::int64_t kGapCount = 100;

}  // namespace

std::shared_ptr<ZVApiRequest> Conversation::syncRequest(const QString& direction,
                                                        std::optional<std::int64_t> fromMessageNr) {
    QJsonObject arguments{{kDirection, direction}};
    if (fromMessageNr) {
        arguments.insert(kFromMessageNr, qint64(*fromMessageNr));
    }
    auto request = std::make_shared<ZVApiRequest>(kSyncMethod, conversationId(), arguments);
    if (const auto session = repositorySession()) {
        session->followLoad(request, conversationId());
    }
    return request;
}

void Conversation::cacheOnReply(ZVApiRequest& request, std::int64_t location, std::int64_t length) {
    const std::weak_ptr<Conversation> weak = self();
    request.setHandler([weak, location, length](ZVJsonParser&) -> ZVErrorPtr {
        if (const auto conversation = weak.lock()) {
            conversation->loadMessageCacheRange(location, length);
        }
        return nullptr;
    });
}

void Conversation::cacheHistoryOnReply(ZVApiRequest& request) {
    // The numbers current when the reply comes: its records are about to move them.
    const std::weak_ptr<Conversation> weak = self();
    request.setHandler([weak](ZVJsonParser&) -> ZVErrorPtr {
        if (const auto conversation = weak.lock()) {
            const std::int64_t join = conversation->joinMessageNr().value_or(0);
            conversation->loadMessageCacheRange(join,
                                                conversation->lastMessageNr().value_or(0) - join);
        }
        return nullptr;
    });
}

std::shared_ptr<ZVApiRequest> Conversation::getFillTinyRequest() {
    auto request = syncRequest(u"ic_full"_s, std::nullopt);
    cacheHistoryOnReply(*request);
    return request;
}

std::shared_ptr<ZVApiRequest> Conversation::getRefreshRequest() {
    auto request = syncRequest(u"ic_header"_s, std::nullopt);
    cacheHistoryOnReply(*request);
    return request;
}

std::shared_ptr<ZVApiRequest> Conversation::getMessageLoadRequest() {
    if (isNewConversation()) {
        return nullptr;
    }
    const std::int64_t completeness = recordCompleteness();
    if (completeness <= RecordTiny) {
        auto request =
            syncRequest(completeness == RecordTiny ? u"ic_full"_s : u"ic_tiny"_s, std::nullopt);
        cacheHistoryOnReply(*request);
        return request;
    }
    // Backward once the store reaches what is shown; forward until then.
    const bool backward = fwMessageNr() && *fwMessageNr() >= showMessageNr().value_or(0);
    const std::optional<std::int64_t> from = backward ? bwMessageNr() : fwMessageNr();
    auto request = syncRequest(backward ? u"ic_backward"_s : u"ic_forward"_s, from);
    if (!from) {
        return request;
    }
    const std::weak_ptr<Conversation> weak = self();
    const QString edge = backward ? u"header/bw_message_nr"_s : u"header/fw_message_nr"_s;
    request->setHandler([weak, edge, start = *from](ZVJsonParser& reply) -> ZVErrorPtr {
        const auto conversation = weak.lock();
        if (!conversation || !reply.containsValue(edge)) {
            return nullptr;
        }
        const std::int64_t reached = reply.extractInt(edge, 0);
        const std::int64_t low = std::min(start, reached);
        const std::int64_t high = std::max(start, reached);
        conversation->loadMessageCacheRange(low, high - low + 1);
        return nullptr;
    });
    return request;
}

std::shared_ptr<ZVApiRequest> Conversation::getFileLoadRequest() {
    // A horizon never sent asks from the start.
    auto request = syncRequest(u"ic_files"_s, fileHorizon().value_or(0));
    request->setPriority(kLoadPriority);
    return request;
}

std::shared_ptr<ZVApiRequest> Conversation::getPinLoadRequest() {
    auto request = syncRequest(u"ic_pinboard"_s, pinHorizon().value_or(0));
    request->setPriority(kLoadPriority);
    return request;
}

std::shared_ptr<ZVApiRequest> Conversation::getTaskLoadRequest() {
    auto request = syncRequest(u"ic_tasks"_s, taskHorizon().value_or(0));
    request->setPriority(kLoadPriority);
    return request;
}

std::shared_ptr<ZVApiRequest> Conversation::getContextLoadRequestAroundMessageNr(
    std::int64_t messageNr) {
    auto request = syncRequest(u"ic_flow"_s, messageNr);
    request->setPriority(kLoadPriority);
    cacheOnReply(*request, messageNr - kContextBefore, kContextCount);
    return request;
}

std::shared_ptr<ZVApiRequest> Conversation::getFillGapRequestBefore(bool before,
                                                                    std::int64_t messageNr) {
    auto request = syncRequest(before ? u"ic_backward"_s : u"ic_forward"_s, messageNr);
    request->setPriority(kLoadPriority);
    cacheOnReply(*request, before ? messageNr - kGapCount : messageNr, kGapCount);
    return request;
}

std::shared_ptr<ZVApiRequest> Conversation::getMessageSyncRequest() {
    if (const auto message = getUncommittedMessage()) {
        if (auto request = message->getSyncRequest()) {
            return request;
        }
    }
    setField(FieldMessageEdit, false);
    return nullptr;
}

std::shared_ptr<ZVApiRequest> Conversation::getLoadSyncRequest() {
    if (!loadRequest()) {
        auto request = needsMessageLoad() ? getMessageLoadRequest() : nullptr;
        if (request) {
            // Each answer commits the conversation again: a load the service refuses would be
            // asked, and refused, without end.
            const std::weak_ptr<Conversation> weak = self();
            request->setErrorHandler([weak](const ZVErrorPtr& error) {
                if (const auto conversation = weak.lock(); conversation && isRefusal(error)) {
                    conversation->messageLoadRefused_ = true;
                }
            });
        }
        return request;
    }
    const ZVConversationLoadRequest load = *loadRequest();
    std::shared_ptr<ZVApiRequest> request;
    switch (load.type()) {
        case LoadRequest::FillTiny:
            request = getFillTinyRequest();
            break;
        case LoadRequest::MessageLoad:
            request = getMessageLoadRequest();
            break;
        case LoadRequest::Files:
            request = getFileLoadRequest();
            break;
        case LoadRequest::Pins:
            request = getPinLoadRequest();
            break;
        case LoadRequest::Context:
            request = getContextLoadRequestAroundMessageNr(load.messageNr());
            break;
        case LoadRequest::GapBefore:
        case LoadRequest::GapAfter:
            request =
                getFillGapRequestBefore(load.type() == LoadRequest::GapBefore, load.messageNr());
            break;
        case LoadRequest::Tasks:
            request = getTaskLoadRequest();
            break;
        case LoadRequest::Refresh:
            request = getRefreshRequest();
            break;
        default:
            break;
    }
    if (!request) {
        // Nothing can be asked for it: it must not keep the conversation waiting.
        clearLoadRequest();
        return nullptr;
    }
    request->setPriority(kLoadPriority);
    // The load is over either way; the answer's records brought what there was.
    const std::weak_ptr<Conversation> weak = self();
    const auto done = [weak] {
        if (const auto conversation = weak.lock()) {
            conversation->clearLoadRequest();
        }
    };
    request->setSuccessHandler(done);
    request->setErrorHandler([done](const ZVErrorPtr&) { done(); });
    return request;
}

std::pair<std::int64_t, std::int64_t> Conversation::cacheRange() const {
    return {cacheLocation_, cacheLength_};
}

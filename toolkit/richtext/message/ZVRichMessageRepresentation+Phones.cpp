#include "toolkit/richtext/message/ZVRichMessageRepresentation.h"

#include "ZelvoKit/model/Message.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Scheduler.h"
#include "toolkit/richtext/ZVPhoneNumberDetector.h"

#include <QtCore/QThreadPool>

using namespace Qt::Literals::StringLiterals;

namespace {

// A phone places calls; a tablet has nothing to hand a number to.
bool canPlaceCalls() {
    return platform::Application::shared().userInterfaceIdiom() ==
           platform::UserInterfaceIdiom::Phone;
}

const ZVPhoneNumberDetector& detector() {
    static const ZVPhoneNumberDetector shared;
    return shared;
}

}  // namespace

QThreadPool& ZVRichMessageRepresentation::dataDetectionQueue() {
    static QThreadPool* queue = [] {
        auto* made = new QThreadPool();
        made->setObjectName(u"MessageDataDetectionQueue"_s);
        // One scan at a time, in the order asked, as a serial queue runs them.
        made->setMaxThreadCount(1);
        return made;
    }();
    return *queue;
}

void ZVRichMessageRepresentation::runDataDetectionOnMessage(
    const std::shared_ptr<ZVRichMessageRepresentation>& model) {
    const std::shared_ptr<Message> owner = model ? model->message() : nullptr;
    if (!owner || !owner->isTextMessage() || !canPlaceCalls()) {
        return;
    }
    // Made here, on the main thread, where it reads the user's locale.
    const ZVPhoneNumberDetector& scanner = detector();
    const QString text = model->localizedText();
    std::weak_ptr<ZVRichMessageRepresentation> target = model;
    dataDetectionQueue().start([&scanner, text, target] {
        if (scanner.matchesInString(text).empty()) {
            return;
        }
        // Only the main thread touches the model; one whose message went meanwhile is left be.
        platform::Scheduler::main().post([target] {
            const auto found = target.lock();
            if (found && found->message()) {
                found->setContainsPhoneNumbers(true);
            }
        });
    });
}

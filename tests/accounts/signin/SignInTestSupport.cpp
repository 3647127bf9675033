#include "tests/accounts/signin/SignInTestSupport.h"

#include "platform/ui/controls/ActivityIndicator.h"
#include "toolkit/richtext/ZVRichText.h"

namespace signintest {

QString SignInTest::describe(const ZVContainerView& page) {
    for (const auto& part : page.parts()) {
        if (dynamic_cast<const platform::ActivityIndicator*>(part.get())) {
            return QStringLiteral("progress");
        }
        if (const auto* text = dynamic_cast<const ZVRichText*>(part.get())) {
            return text->attributedText().string();
        }
    }
    return QString();
}

QStringList SignInTest::describe(const std::vector<std::shared_ptr<ZVContainerView>>& pages) {
    QStringList names;
    for (const auto& page : pages) {
        names << describe(*page);
    }
    return names;
}

}  // namespace signintest

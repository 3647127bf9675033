#include "accounts/signin/ZVSignInParts.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "accounts/pages/ZVBorderedTextField.h"
#include "accounts/pages/ZVContainerView.h"
#include "platform/foundation/Format.h"
#include "platform/ui/controls/TextField.h"
#include "toolkit/style/ZVTextStyles.h"

using namespace Qt::StringLiterals;

const QString ZVSignInParts::kAccountCreationFailedTitle = u"Account creation failed"_s;
const QString ZVSignInParts::kPasswordResetFailedTitle = u"Password reset failed"_s;

std::shared_ptr<ZVBorderedTextField> ZVSignInParts::pushCodeField(ZVContainerView& page,
                                                                  qreal height) {
    auto field = page.pushTextFieldWithPlaceholder(u"Enter code"_s);
    const auto& text = field->textField();
    text->setKeyboardType(platform::KeyboardType::NumberPad);
    text->setTextAlignment(platform::TextAlignment::Center);
    text->setFont(ZVTextStyles::fontForStyle(kCodeFontStyle));
    QRectF frame = field->frame();
    frame.setHeight(height);
    field->setFrame(frame);
    return field;
}

std::shared_ptr<ZVBorderedTextField> ZVSignInParts::pushUsernameField(ZVContainerView& page,
                                                                      const QString& suggestion) {
    auto field = page.pushTextFieldWithPlaceholder(u"username"_s);
    field->textField()->setText(suggestion);
    field->setInfoText(platform::format(u"@%@", ZVApi::api().baseURL().host()));
    field->setHintText(u"Choose your username"_s);
    return field;
}

QString ZVSignInParts::invalidEmailMessage(const QString& email) {
    return platform::format(u"\"%@\" is not a valid email address.", email);
}

QString ZVSignInParts::resetFailureMessage(const ZVErrorPtr& error) {
    const int code = error ? error->code() : 0;
    if (code >= kFirstRefusal && code <= kLastRefusal) {
        return u"This account is not activated or the entered email is invalid"_s;
    }
    return errorText(error);
}

QString ZVSignInParts::errorText(const ZVErrorPtr& error) {
    return error ? error->localizedDescription() : QString();
}

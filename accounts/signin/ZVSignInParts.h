#pragma once

#include "ZelvoKit/support/base/ZVError.h"

#include <QtCore/QString>

#include <memory>

class ZVBorderedTextField;
class ZVContainerView;

// What the first and the further sign-in screens build and say alike.
class ZVSignInParts {
public:
    static constexpr int kCodeFontStyle = 24;
    // Rejected requests answer in this range.
    static constexpr int kFirstRefusal = 400;
    static constexpr int kLastRefusal = 499;

    static const QString kAccountCreationFailedTitle;
    static const QString kPasswordResetFailedTitle;

    // A field for the mailed code: the number pad (so the page's code filter applies), centred
    // and large.
    static std::shared_ptr<ZVBorderedTextField> pushCodeField(ZVContainerView& page, qreal height);
    // The username field of a new account: the suggestion, "@host" beside it and a hint above.
    static std::shared_ptr<ZVBorderedTextField> pushUsernameField(ZVContainerView& page,
                                                                  const QString& suggestion);
    static QString invalidEmailMessage(const QString& email);
    // A refused reset most likely names no active account; other failures say what they are.
    static QString resetFailureMessage(const ZVErrorPtr& error);
    static QString errorText(const ZVErrorPtr& error);
};

#pragma once

#include "toolkit/screens/ZVViewController.h"

#include <memory>

namespace platform {
class Button;
class ImageView;
class Label;
class View;
}  // namespace platform

// The about screen, presented over the settings: the logo, a greeting, the version and build, a
// tagline and the links to the terms and the privacy policy, over the pre-login pages' clouds.
// A tap on the background or its back arrow closes it; a link closes it, then opens its page in
// the in-app browser.
class ZVAboutViewController : public ZVViewController {
public:
    static inline const QString kLogoImage = QStringLiteral("icon-logo-login");
    static inline const QString kAboutText =
        QStringLiteral("Hi, I'm Zelvo.\nYou can count on me to\nmake your life easier.");
    static inline const QString kTagline = QStringLiteral("Made with care for teams");
    static inline const QString kTermsPage = QStringLiteral("termsmobile");
    static inline const QString kPrivacyPage = QStringLiteral("privacymobile");
    static constexpr qreal kLinkAlpha = 0.5;
    static constexpr qreal kTextMargin = 20;
    static constexpr qreal kBandMargin = 10;
    static constexpr qreal kLogoGap = 25;
    static constexpr qreal kLineGap = 16;
    static constexpr qreal kBottomMargin = 20;
    static constexpr qreal kLinkGap = 5;
    static constexpr qreal kLineHeight = 2;

    // "Version <short version>.<build>".
    static QString versionText();

    ZVAboutViewController();
    ~ZVAboutViewController() override;

    const std::shared_ptr<platform::View>& container() const { return container_; }
    const std::shared_ptr<platform::ImageView>& logo() const { return logo_; }
    const std::shared_ptr<platform::Label>& versionLabel() const { return versionLabel_; }
    const std::shared_ptr<platform::Label>& separator() const { return separator_; }
    const std::shared_ptr<platform::Button>& termsButton() const { return termsLabel_; }
    const std::shared_ptr<platform::Button>& privacyButton() const { return privacyLabel_; }
    const std::shared_ptr<platform::View>& line() const { return line_; }
    const std::shared_ptr<platform::Label>& aboutText() const { return aboutText_; }
    const std::shared_ptr<platform::Label>& tagline() const { return builtText_; }
    // Where the copyright band was laid out (it shows as space only).
    const QRectF& copyrightBand() const { return copyrightBand_; }

    void backTapped();
    void showTerms();
    void showPrivacy();

    void loadView() override;
    void viewWillLayoutSubviews() override;
    unsigned supportedInterfaceOrientations() const override;

private:
    void leaveFor(const QString& page, const QString& title);

    std::shared_ptr<platform::View> container_;
    std::shared_ptr<platform::ImageView> logo_;
    std::shared_ptr<platform::Label> versionLabel_;
    std::shared_ptr<platform::Label> copyrightLabel_;
    std::shared_ptr<platform::Label> separator_;
    std::shared_ptr<platform::Button> termsLabel_;
    std::shared_ptr<platform::Button> privacyLabel_;
    std::shared_ptr<platform::View> line_;
    std::shared_ptr<platform::Label> aboutText_;
    std::shared_ptr<platform::Label> builtText_;
    QRectF copyrightBand_;
};

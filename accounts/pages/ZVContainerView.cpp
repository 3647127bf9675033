#include "accounts/pages/ZVContainerView.h"

#include "accounts/pages/ZVBorderedTextField.h"
#include "accounts/pages/ZVPreLoginViewController.h"
#include "accounts/pages/ZVSeparatorView.h"
#include "accounts/pages/ZVSuccessView.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/controls/ActivityIndicator.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/view/Window.h"
#include "toolkit/richtext/ZVRichTextLayout.h"
#include "toolkit/screens/ZVScreenCoordinator.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/RichTextAttributes.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/widgets/ZVBranding.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int kLinkStyle = 25;
constexpr int kLinkFontStyle = 20;
constexpr int kPlaceholderStyle = 13;
const QString kCodeCharacters = u"01234567890-"_s;

}  // namespace

ZVContainerView::ZVContainerView(std::weak_ptr<platform::ViewController> viewController)
    : viewController_(std::move(viewController)) {
    View::setBackgroundColor(Qt::transparent);
    layer().setCornerRadius(kCornerRadius);
}

ZVContainerView::~ZVContainerView() = default;

void ZVContainerView::setBottomLine(bool shown) {
    if (shown == bottomLine()) {
        return;
    }
    if (!shown) {
        bottomLine_->removeFromSuperview();
        bottomLine_.reset();
        return;
    }
    bottomLine_ = platform::View::make(QRectF(0, 0, 100, 1));
    bottomLine_->setBackgroundColor(platform::resolveColor(ZVColors::border()));
    if (background_) {
        background_->addSubview(bottomLine_);
    }
    setNeedsLayout();
}

void ZVContainerView::setEnabled(bool enabled) {
    enabled_ = enabled;
    for (const auto& part : parts()) {
        if (auto* button = dynamic_cast<platform::Button*>(part.get())) {
            button->setEnabled(enabled);
        } else if (auto* field = dynamic_cast<ZVBorderedTextField*>(part.get())) {
            field->textField()->setEnabled(enabled);
        }
    }
    updateActionButton();
}

// --- building ---

template <typename T>
std::shared_ptr<T> ZVContainerView::push(std::shared_ptr<T> part, qreal height) {
    part->setFrame(QRectF(0, 0, bounds().width(), height));
    addSubview(part);
    return part;
}

void ZVContainerView::pushLogo() {
    const QImage image = platform::Images::tinted(platform::Images::named(u"icon-logo-login"_s),
                                                  platform::resolveColor(ZVColors::logo()));
    auto logo = std::make_shared<platform::ImageView>(image);
    logo->setContentMode(platform::ContentMode::Center);
    const QSizeF size = platform::Images::pointSize(image);
    logo->setFrame(QRectF(0, 0, size.width(), size.height() + 2 * kLogoPadding));
    addSubview(logo);
}

std::shared_ptr<ZVRichText> ZVContainerView::pushTextView(const platform::AttributedString& text,
                                                          qreal spacing) {
    auto view = std::make_shared<ZVRichText>();
    view->setAttributedText(text);
    view->setBackgroundColor(Qt::transparent);
    texts_.emplace_back(view, spacing);
    return push(view, textPartHeight(text, bounds().width(), spacing));
}

qreal ZVContainerView::textPartHeight(const platform::AttributedString& text, qreal pageWidth,
                                      qreal spacing) {
    // A negative spacing draws the next part closer, but never over the text's own lines: the
    // text is drawn within its frame.
    const qreal height = ZVRichTextLayout::heightForText(text, pageWidth - kTextWidthLoss);
    return height + std::max<qreal>(spacing, 0);
}

std::shared_ptr<ZVRichText> ZVContainerView::pushTextActions(
    const std::vector<std::pair<QString, QString>>& nameAndTitle, qreal spacing) {
    using platform::TextAttribute::ForegroundColor;
    const platform::TextAttributes base = ZVTextStyles::attributesForStyle(kLinkStyle);
    const QVariant colour = QVariant::fromValue(ZVColors::suppressedText());
    platform::TextAttributes dot = base;
    dot.insert(ForegroundColor, colour);
    platform::AttributedString text;
    int index = 0;
    for (const auto& [name, title] : nameAndTitle) {
        if (!text.isEmpty()) {
            text.append(u" • "_s, dot);
        }
        platform::TextAttributes link = base;
        link.insert(platform::TextAttribute::Link, name);
        link.insert(ZVLinkIndexAttributeName, index++);
        link.insert(ForegroundColor, colour);
        link.insert(platform::TextAttribute::Font,
                    QVariant::fromValue(ZVTextStyles::fontForStyle(kLinkFontStyle)));
        text.append(title, link);
    }
    return pushTextView(text, spacing);
}

std::shared_ptr<ZVBorderedTextField> ZVContainerView::pushTextFieldWithPlaceholder(
    const QString& placeholder) {
    const auto existing = parts();
    if (!existing.empty()) {
        if (auto* previous = dynamic_cast<ZVBorderedTextField*>(existing.back().get())) {
            previous->textField()->setReturnKeyType(platform::ReturnKeyType::Next);
        }
    }
    auto field = std::make_shared<ZVBorderedTextField>();
    const auto& text = field->textField();
    platform::TextAttributes style = ZVTextStyles::attributesForStyle(kPlaceholderStyle);
    text->setAttributedPlaceholder(platform::AttributedString(placeholder, style));
    text->setReturnKeyType(platform::ReturnKeyType::Done);
    text->setClearButtonMode(platform::TextFieldViewMode::WhileEditing);
    text->setDelegate(std::shared_ptr<platform::TextFieldDelegate>(
        shared_from_this(), static_cast<platform::TextFieldDelegate*>(this)));
    // Edits that reach no delegate question (a paste of the input method) count as well.
    const std::weak_ptr<platform::View> weak = weak_from_this();
    text->addTarget(platform::Control::EditingChanged, [weak](auto&) {
        if (const auto self = std::static_pointer_cast<ZVContainerView>(weak.lock())) {
            self->scheduleActionButtonUpdate();
        }
    });
    return push(field, kFieldHeight);
}

std::shared_ptr<platform::Button> ZVContainerView::pushButtonWithTitle(const QString& title,
                                                                       int style) {
    auto button = ZVBranding::createActionButtonWithTitle(title, style);
    return push(button, button->frame().height());
}

void ZVContainerView::pushSeparator(const QString& text) {
    if (text.isNull()) {
        auto line = platform::View::make();
        line->setBackgroundColor(platform::resolveColor(ZVColors::border()));
        push(line, 1);
        return;
    }
    auto separator = std::make_shared<ZVSeparatorView>(text);
    push(separator, separator->frame().height());
}

std::shared_ptr<platform::ImageView> ZVContainerView::pushIllustration(const QString& imageName) {
    auto view = std::make_shared<platform::ImageView>(platform::Images::named(imageName));
    view->sizeToFit();
    addSubview(view);
    return view;
}

std::shared_ptr<platform::ActivityIndicator> ZVContainerView::pushActivityIndicator() {
    auto indicator = std::make_shared<platform::ActivityIndicator>(
        platform::ActivityIndicator::Style::WhiteLarge);
    indicator->sizeToFit();
    addSubview(indicator);
    return indicator;
}

void ZVContainerView::pushSuccessView() {
    auto view = std::make_shared<ZVSuccessView>();
    push(view, view->frame().height());
}

// --- parts ---

std::vector<std::shared_ptr<platform::View>> ZVContainerView::parts() const {
    std::vector<std::shared_ptr<platform::View>> result;
    for (const auto& view : subviews()) {
        if (view != background_) {
            result.push_back(view);
        }
    }
    return result;
}

std::vector<std::shared_ptr<ZVBorderedTextField>> ZVContainerView::textFields() const {
    std::vector<std::shared_ptr<ZVBorderedTextField>> fields;
    for (const auto& part : parts()) {
        if (auto field = std::dynamic_pointer_cast<ZVBorderedTextField>(part)) {
            fields.push_back(std::move(field));
        }
    }
    return fields;
}

std::shared_ptr<ZVBorderedTextField> ZVContainerView::firstTextField() const {
    const auto fields = textFields();
    return fields.empty() ? nullptr : fields.front();
}

std::shared_ptr<platform::Button> ZVContainerView::actionButton() const {
    for (const auto& part : parts()) {
        if (auto button = std::dynamic_pointer_cast<platform::Button>(part)) {
            return button;
        }
    }
    return nullptr;
}

bool ZVContainerView::boxesOnlyControls() const {
    return dynamic_cast<ZVPreLoginViewController*>(viewController_.lock().get()) != nullptr;
}

bool ZVContainerView::isTablet() const {
    // A page is first laid out before it joins its controller's view.
    const platform::Window* shown = window();
    const auto controller = viewController_.lock();
    if (!shown && controller) {
        shown = controller->window();
    }
    const auto fallback = shown ? nullptr : ZVScreenCoordinator::shared().window();
    if (!shown) {
        shown = fallback.get();
    }
    return shown && shown->profile().idiom == platform::DeviceProfile::Idiom::Tablet;
}

// --- layout ---

void ZVContainerView::placeChildren() {
    QRectF r = bounds();
    if (r.width() > 0) {
        for (const auto& [weakText, spacing] : texts_) {
            if (const auto text = weakText.lock()) {
                const qreal height = textPartHeight(text->attributedText(), r.width(), spacing);
                text->setFrame(QRectF(text->frame().topLeft(), QSizeF(r.width(), height)));
            }
        }
    }
    const qreal superWidth = superview() ? superview()->bounds().width() : 0;
    const qreal m = r.width() >= superWidth - kNarrowSlack ? kMargin : kNarrowMargin;
    const bool onlyControls = boxesOnlyControls();
    std::optional<QRectF> box;
    const auto all = parts();
    for (const auto& part : all) {
        const bool boxed = !onlyControls || dynamic_cast<ZVBorderedTextField*>(part.get()) ||
                           dynamic_cast<platform::Button*>(part.get());
        if (boxed && !box) {
            const QRectF above = CGRectExtractTop(r, m);
            box = QRectF(r.x(), above.top(), r.width(), 0);
        }
        if (dynamic_cast<platform::ActivityIndicator*>(part.get())) {
            part->setCenter(CGRectGetCenter(r));
            // The indicator takes what is left of the page.
            r = QRectF(r.x(), r.height(), r.width(), 0);
        } else if (dynamic_cast<platform::ImageView*>(part.get())) {
            part->setFrame(CGRectExtractTop(r, part->frame().height()));
        } else {
            const qreal inset = box ? m : kOutsideInset;
            const QRectF strip = CGRectExtractTop(r, part->frame().height());
            part->setFrame(strip.adjusted(inset, 0, -inset, 0));
            CGRectExtractTop(r, kGap);
        }
    }
    if (box) {
        if (!background_) {
            background_ = platform::View::make();
            if (isTablet()) {
                background_->layer().setCornerRadius(kCornerRadius);
            }
            background_->View::setBackgroundColor(boxColor_);
            insertSubview(background_, 0);
            if (bottomLine_) {
                background_->addSubview(bottomLine_);
            }
        }
        box->setBottom(r.top());
        background_->setFrame(*box);
        if (bottomLine_) {
            bottomLine_->setFrame(QRectF(0, box->height() - 1, box->width(), 1));
        }
    } else if (all.empty() || !dynamic_cast<platform::ImageView*>(all.back().get())) {
        CGRectExtractTop(r, kTrailingSpace);
    }
    QRectF frame = this->frame();
    frame.setHeight(r.top());
    setFrame(frame);
}

// --- the action button ---

void ZVContainerView::updateActionButton() {
    const auto button = actionButton();
    if (!button) {
        return;
    }
    bool filled = enabled_;
    for (const auto& field : textFields()) {
        filled = filled && !field->textField()->text().trimmed().isEmpty();
    }
    button->setEnabled(filled);
}

void ZVContainerView::scheduleActionButtonUpdate() {
    // A check already due reads the fields as they are then, this edit included.
    if (actionButtonTimer_.isValid()) {
        return;
    }
    const std::weak_ptr<platform::View> weak = weak_from_this();
    actionButtonTimer_ = platform::Scheduler::main().after(kActionButtonDelay, [weak] {
        if (const auto self = std::static_pointer_cast<ZVContainerView>(weak.lock())) {
            self->updateActionButton();
        }
    });
}

bool ZVContainerView::becomeFirstResponder() {
    const auto field = firstTextField();
    return field && field->textField()->becomeFirstResponder();
}

bool ZVContainerView::resignFirstResponder() {
    for (const auto& field : textFields()) {
        if (field->textField()->isFirstResponder()) {
            return field->textField()->resignFirstResponder();
        }
    }
    return View::resignFirstResponder();
}

// --- text fields ---

bool ZVContainerView::textFieldShouldReturn(platform::TextField& field) {
    if (field.returnKeyType() == platform::ReturnKeyType::Done) {
        const auto button = actionButton();
        if (button && button->isEnabled()) {
            button->sendActionsForEvents(platform::Control::TouchUpInside);
        }
    } else if (field.returnKeyType() == platform::ReturnKeyType::Next) {
        const auto fields = textFields();
        for (std::size_t i = 0; i + 1 < fields.size(); ++i) {
            if (fields[i]->textField().get() == &field) {
                fields[i + 1]->textField()->becomeFirstResponder();
                break;
            }
        }
    }
    return true;
}

bool ZVContainerView::textFieldShouldChangeCharacters(platform::TextField& field,
                                                      platform::TextRange range,
                                                      const QString& replacement) {
    if (field.keyboardType() == platform::KeyboardType::NumberPad &&
        !acceptCodeEdit(field, range, replacement)) {
        return false;
    }
    scheduleActionButtonUpdate();
    return true;
}

bool ZVContainerView::acceptCodeEdit(platform::TextField& field, platform::TextRange range,
                                     const QString& replacement) {
    for (const QChar c : replacement) {
        if (!kCodeCharacters.contains(c)) {
            return false;
        }
    }
    const QString current = field.text();
    if (range.location < 0 || range.length < 0 || range.location + range.length > current.size()) {
        return false;
    }
    QString result = current;
    result.replace(range.location, range.length, replacement);
    if (result.size() > kCodeMaxLength) {
        return false;
    }
    // A code holds one dash; two in a row are a slip of the finger, however they came.
    if (result.contains(u"--"_s)) {
        return false;
    }
    const bool typedAtEnd =
        !replacement.isEmpty() && range.length == 0 && range.location == current.size();
    // Only a typed digit brings the dash, and only while the code has none: "12" and a typed "-"
    // already has it.
    if (typedAtEnd && result.size() == kCodeDashPosition && replacement.back().isDigit() &&
        !result.contains(u'-')) {
        const auto text = std::static_pointer_cast<platform::TextField>(field.shared_from_this());
        const std::weak_ptr<platform::TextField> weakField = text;
        const std::weak_ptr<platform::View> weak = weak_from_this();
        codeDashTimer_ = platform::Scheduler::main().after(kCodeDashDelay, [weak, weakField] {
            if (const auto self = std::static_pointer_cast<ZVContainerView>(weak.lock())) {
                self->insertCodeDash(weakField);
            }
        });
    }
    return true;
}

void ZVContainerView::insertCodeDash(const std::weak_ptr<platform::TextField>& weakField) {
    const auto field = weakField.lock();
    if (!field) {
        return;
    }
    const QString text = field->text();
    if (text.contains(u'-') || text.size() >= kCodeMaxLength) {
        return;
    }
    const int cursor = std::clamp(field->selectedRange().location, 0, int(text.size()));
    field->setText(text.left(cursor) + u'-' + text.mid(cursor));
    field->setSelectedRange({cursor + 1, 0});
    scheduleActionButtonUpdate();
}

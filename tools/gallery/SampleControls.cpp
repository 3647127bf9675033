#include "tools/gallery/SampleControls.h"

namespace gallery {

namespace {

constexpr qreal kControlMargin = 16;
constexpr qreal kRowHeight = 32;
constexpr qreal kGap = 8;
const QColor kBrand(0x2a, 0x7d, 0xc9);

// Return on a field moves on to the next one; on the last it ends editing.
class NextFieldForm : public platform::TextFieldDelegate {
public:
    std::vector<std::weak_ptr<platform::TextField>> fields;

    bool textFieldShouldReturn(platform::TextField& field) override {
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (fields[i].lock().get() == &field) {
                if (i + 1 < fields.size()) {
                    fields[i + 1].lock()->becomeFirstResponder();
                } else {
                    field.resignFirstResponder();
                }
            }
        }
        return true;
    }
};

}  // namespace

SampleControls SampleControls::make(QSizeF size) {
    SampleControls screen;
    screen.root = platform::View::make(QRectF(QPointF(), size));
    screen.root->setBackgroundColor(QColor(0xf4, 0xf4, 0xf4));
    const qreal width = size.width() - 2 * kControlMargin;
    qreal y = 40;
    const auto row = [&](qreal height) {
        const QRectF rect(kControlMargin, y, width, height);
        y += height + kGap;
        return rect;
    };

    const QString sentence = QStringLiteral("The quick brown fox jumps over the lazy dog again");
    for (const platform::LineBreakMode mode :
         {platform::LineBreakMode::TruncatingTail, platform::LineBreakMode::TruncatingMiddle,
          platform::LineBreakMode::TruncatingHead}) {
        auto label = platform::View::make<platform::Label>(row(22));
        label->setText(sentence);
        label->setLineBreakMode(mode);
        label->setFrame({kControlMargin, label->frame().y(), width / 2, 22});
        screen.root->addSubview(label);
        screen.labels.push_back(label);
    }

    const QRectF buttons = row(kRowHeight);
    screen.systemButton = platform::Button::make(platform::Button::Type::System);
    screen.systemButton->setTitle(QStringLiteral("System"), platform::Button::Normal);
    screen.systemButton->setTitle(QStringLiteral("Pressed"), platform::Button::Highlighted);
    screen.systemButton->setFrame({buttons.left(), buttons.top(), width / 2 - kGap, kRowHeight});
    screen.customButton = platform::Button::make(platform::Button::Type::Custom);
    screen.customButton->setTitle(QStringLiteral("Custom"), platform::Button::Normal);
    screen.customButton->setBackgroundColor(kBrand);
    screen.customButton->layer().setCornerRadius(kRowHeight / 2);
    screen.customButton->setFrame({buttons.center().x(), buttons.top(), width / 2, kRowHeight});
    screen.root->addSubview(screen.systemButton);
    screen.root->addSubview(screen.customButton);

    const QRectF toggles = row(platform::Switch::kHeight);
    screen.toggle = std::make_shared<platform::Switch>(toggles.topLeft());
    screen.toggle->setOn(true);
    screen.spinner =
        std::make_shared<platform::ActivityIndicator>(platform::ActivityIndicator::Style::Gray);
    screen.spinner->setCenter({toggles.center().x(), toggles.center().y()});
    screen.spinner->startAnimating();
    screen.root->addSubview(screen.toggle);
    screen.root->addSubview(screen.spinner);

    screen.segments = std::make_shared<platform::SegmentedControl>(
        QStringList{QStringLiteral("All"), QStringLiteral("Unread"), QStringLiteral("Flagged")});
    screen.segments->setFrame(row(platform::SegmentedControl::kDefaultHeight));
    screen.segments->setSelectedSegmentIndex(0);
    screen.root->addSubview(screen.segments);

    auto form = std::make_shared<NextFieldForm>();
    for (const auto& [placeholder, secure] :
         {std::pair{QStringLiteral("Email"), false}, std::pair{QStringLiteral("Password"), true}}) {
        auto field = platform::View::make<platform::TextField>(row(kRowHeight));
        field->setBackgroundColor(Qt::white);
        field->setPlaceholder(placeholder);
        field->setSecureTextEntry(secure);
        field->setClearButtonMode(platform::TextFieldViewMode::WhileEditing);
        field->setReturnKeyType(secure ? platform::ReturnKeyType::Done
                                       : platform::ReturnKeyType::Next);
        field->setDelegate(form);
        form->fields.push_back(field);
        screen.root->addSubview(field);
        screen.fields.push_back(field);
    }
    screen.form = form;

    screen.textView = platform::View::make<platform::TextView>(row(120));
    screen.textView->setBackgroundColor(Qt::white);
    screen.textView->setFont({QString(), 15});
    screen.textView->setText(QStringLiteral("A text view: type, select, copy and paste.\n") +
                             sentence);
    screen.root->addSubview(screen.textView);
    return screen;
}

}  // namespace gallery

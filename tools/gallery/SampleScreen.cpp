#include "tools/gallery/SampleScreen.h"

#include "platform/ui/resources/Images.h"
#include "platform/ui/text/FontTable.h"
#include "platform/ui/text/TextFrame.h"

#include <QtGui/QPainter>

namespace gallery {

using namespace platform;

const QColor SampleScreen::kBackground(0xF2, 0xF2, 0xF2);
const QColor SampleScreen::kCardFill(Qt::white);
const QColor SampleScreen::kCardBorder(0x1E, 0x6F, 0xD9);
const QColor SampleScreen::kPictureFill(0xE8, 0x5D, 0x26);
const QColor SampleScreen::kTargetIdle(0x88, 0x88, 0x88);
const QColor SampleScreen::kTargetTapped(0x2E, 0xA0, 0x43);
const QColor SampleScreen::kCheckboxFill(0x1E, 0x6F, 0xD9);
const QColor SampleScreen::kTint(0xC0, 0x20, 0x80);

namespace {

constexpr qreal kMargin = 16;
constexpr qreal kCardTop = 80;
constexpr qreal kCardHeight = 260;
constexpr qreal kCornerRadius = 12;
constexpr qreal kPictureSide = 64;
constexpr qreal kTargetHeight = 44;
constexpr qreal kEmoticonSide = 18;
constexpr qreal kEmoticonDescent = 2;
constexpr qreal kCheckboxSide = 20;
const QString kCheckboxImage = QStringLiteral("icon-checkbox-selected");

TextLook look(const QString& font, qreal size, QColor colour = Qt::black) {
    TextLook l;
    l.font = FontTable::font(font, size);
    l.foreground = colour;
    return l;
}

StyledText sampleRichText() {
    const TextLook body = look(QStringLiteral("OpenSans"), 16);
    TextLook link = body;
    link.foreground = QColor(0x1E, 0x6F, 0xD9);
    link.underline = true;
    TextLook code = look(QStringLiteral("Courier New"), 14, QColor(0x55, 0x22, 0x88));
    code.paragraph.headIndent = 5;
    code.paragraph.firstLineHeadIndent = 5;
    StyledText text(QStringLiteral("Rich text with "), body);
    text.append(QStringLiteral("bold"), look(QStringLiteral("OpenSans-Bold"), 16));
    text.append(QStringLiteral(", "), body);
    text.append(QStringLiteral("italic"), look(QStringLiteral("OpenSans-Italic"), 16));
    text.append(QStringLiteral(", a "), body);
    text.append(QStringLiteral("link"), link);
    text.append(QStringLiteral(" and an emoticon "), body);
    text.appendPlaceholder(body, [] {
        return PlaceholderMetrics{kEmoticonSide, kEmoticonSide - kEmoticonDescent,
                                  kEmoticonDescent};
    });
    text.append(QStringLiteral(" that wraps onto a second line.\u2029"), body);
    text.append(QStringLiteral("let code = \"monospaced\";"), code);
    return text;
}

}  // namespace

void TextBlockView::setText(StyledText text) {
    text_ = std::move(text);
    frame_.reset();
    setNeedsDisplay();
}

void TextBlockView::drawRect(QPainter& painter, const QRectF& rect) {
    if (!frame_) {
        frame_ = std::make_unique<TextFrame>(text_, rect.size());
    }
    frame_->setSize(rect.size());
    const TextFrame& frame = *frame_;
    frame.draw(painter, rect.topLeft());
    // Placeholders are drawn by their owners: here, a round face.
    for (const TextLineInfo& line : frame.lines()) {
        for (const TextRunInfo& run : line.runs) {
            if (run.isPlaceholder) {
                const QRectF box = TextFrame::runRect(line, run).translated(rect.topLeft());
                painter.setBrush(QColor(0xF5, 0xC5, 0x18));
                painter.setPen(Qt::NoPen);
                painter.drawEllipse(box.adjusted(1, 1, -1, -1));
            }
        }
    }
}

QSizeF TextBlockView::sizeThatFits(QSizeF size) const {
    const QSizeF used = TextFrame::suggestedSize(text_, {size.width(), TextFrame::kUnlimited});
    return {std::ceil(used.width()), std::ceil(used.height())};
}

void ImageBlockView::setImage(QImage image) {
    image_ = std::move(image);
    setNeedsDisplay();
}

void ImageBlockView::drawRect(QPainter& painter, const QRectF& rect) {
    painter.drawImage(rect, image_);
}

TapTarget::TapTarget(const QRectF& frame) : Control(frame) {
    setBackgroundColor(SampleScreen::kTargetIdle);
    layer().setCornerRadius(kTargetHeight / 2);
    addTarget(TouchUpInside, [this](Control&) {
        ++taps_;
        setBackgroundColor(SampleScreen::kTargetTapped);
    });
}

SampleScreen SampleScreen::make(QSizeF size) {
    SampleScreen s;
    const qreal width = size.width();
    s.root = View::make(QRectF(QPointF(0, 0), size));
    s.root->setBackgroundColor(kBackground);

    s.title = View::make<TextBlockView>(QRectF(kMargin, 30, width - 2 * kMargin, 40));
    s.title->setText(
        StyledText(QStringLiteral("View layer sample"),
                   look(QStringLiteral("Avenir-Medium"), 24, QColor(0x22, 0x22, 0x22))));
    s.root->addSubview(s.title);

    s.card = View::make(QRectF(kMargin, kCardTop, width - 2 * kMargin, kCardHeight));
    s.card->setBackgroundColor(kCardFill);
    s.card->layer().setCornerRadius(kCornerRadius);
    s.card->layer().setBorderWidth(kCardBorderWidth);
    s.card->layer().setBorderColor(kCardBorder);
    s.card->layer().setShadowOpacity(0.5);
    s.card->layer().setShadowRadius(8);
    s.card->layer().setShadowOffset({0, 6});
    s.root->addSubview(s.card);

    QImage picture(64, 64, QImage::Format_ARGB32_Premultiplied);
    picture.fill(kPictureFill);
    {
        QPainter p(&picture);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(Qt::white);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRectF(40, 6, 18, 18));
    }
    s.picture = View::make<ImageBlockView>(QRectF(kMargin, kMargin, kPictureSide, kPictureSide));
    s.picture->setImage(picture);
    s.picture->setClipsToBounds(true);
    s.picture->layer().setCornerRadius(8);
    s.card->addSubview(s.picture);

    const QImage checkbox = Images::named(kCheckboxImage);
    const qreal checkboxLeft = kMargin * 2 + kPictureSide;
    s.checkbox =
        View::make<ImageBlockView>(QRectF(checkboxLeft, kMargin, kCheckboxSide, kCheckboxSide));
    s.checkbox->setImage(checkbox);
    s.card->addSubview(s.checkbox);
    s.tintedCheckbox = View::make<ImageBlockView>(
        QRectF(checkboxLeft + kCheckboxSide + kMargin, kMargin, kCheckboxSide, kCheckboxSide));
    s.tintedCheckbox->setImage(Images::tinted(checkbox, kTint));
    s.card->addSubview(s.tintedCheckbox);

    const qreal textLeft = kMargin;
    s.richText = View::make<TextBlockView>(
        QRectF(textLeft, kMargin * 2 + kPictureSide, width - 4 * kMargin, 140));
    s.richText->setText(sampleRichText());
    s.card->addSubview(s.richText);

    s.target = View::make<TapTarget>(
        QRectF(kMargin, kCardTop + kCardHeight + 40, width - 2 * kMargin, kTargetHeight));
    s.root->addSubview(s.target);
    return s;
}

QPointF SampleScreen::cardInsidePoint() const {
    return card->convertPointTo({card->bounds().width() - 20, 30}, nullptr);
}

QPointF SampleScreen::cardBorderPoint() const {
    return card->convertPointTo({card->bounds().width() / 2, kCardBorderWidth / 2}, nullptr);
}

QPointF SampleScreen::picturePoint() const {
    return picture->convertPointTo({10, 50}, nullptr);
}

QPointF SampleScreen::targetPoint() const {
    return target->convertPointTo(target->bounds().center(), nullptr);
}

QPointF SampleScreen::checkboxPoint() const {
    return checkbox->convertPointTo({3, 3}, nullptr);
}

QPointF SampleScreen::tintedCheckboxPoint() const {
    return tintedCheckbox->convertPointTo({3, 3}, nullptr);
}

QPointF SampleScreen::shadowPoint() const {
    return card->convertPointTo({card->bounds().width() / 2, card->bounds().height() + 6}, nullptr);
}

}  // namespace gallery

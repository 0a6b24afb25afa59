#include "AGauge.h"

#include "GaugeScale.h"
#include "NumberText.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>

#include <algorithm>
#include <cmath>

namespace {
// How far past an end stop the grip follows the pointer before it slips: half the bottom gap,
// so the two overshoot zones never meet and every pointer angle has one meaning.
constexpr double Overshoot = (360.0 - GaugeScale::Sweep) / 2;
// Pointer moves this close to a dial's centre give no usable angle.
constexpr double DeadCentrePx = 3.0;

int buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

int shiftCode(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

bool isFinite(double v)
{
    return std::isfinite(v);
}
} // namespace

AGauge::AGauge(QWidget *parent) : QWidget(parent)
{
    slots_[0] = {QStringLiteral("DegF"), 0, 100, 55, 1};
    slots_[1] = {QStringLiteral("PsiG"), 0, 200, 100, 0};
    slots_[2] = {QStringLiteral("PsiD"), 0, 10, 4.9, 2};
    slots_[3] = {QStringLiteral("MMcF/D"), 0, 5, 2.9, 4};
    setAttribute(Qt::WA_OpaquePaintEvent); // every pixel comes from the artwork
    setMouseTracking(true);                // for the hand cursor over the input dials
    setFocusPolicy(Qt::StrongFocus);
}

bool AGauge::setCaptionIndex(int slot)
{
    if (!isSlot(slot))
        return false;
    captionIndex_ = slot;
    return true;
}

bool AGauge::setNeedleIndex(int slot)
{
    if (!isSlot(slot))
        return false;
    needleIndex_ = slot;
    return true;
}

bool AGauge::setScaleIndex(int slot)
{
    if (!isSlot(slot))
        return false;
    scaleIndex_ = slot;
    return true;
}

bool AGauge::setFontIndex(int font)
{
    if (font < 0 || font >= FontCount)
        return false;
    fontIndex_ = font;
    return true;
}

QString AGauge::caption() const
{
    return slots_[captionIndex_].caption;
}

void AGauge::setCaption(const QString &text)
{
    Slot &slot = slots_[captionIndex_];
    if (slot.caption == text)
        return;
    slot.caption = text;
    artworkChanged(captionIndex_);
}

double AGauge::needleValue() const
{
    return slots_[needleIndex_].needle;
}

bool AGauge::setNeedleValue(double v)
{
    if (!isFinite(v))
        return false;
    moveNeedle(needleIndex_, v);
    return true;
}

bool AGauge::setNeedleValue(const QString &text)
{
    const auto v = NumberText::parse(text);
    return v && setNeedleValue(*v);
}

double AGauge::scaleMin() const
{
    return slots_[scaleIndex_].min;
}

double AGauge::scaleMax() const
{
    return slots_[scaleIndex_].max;
}

bool AGauge::setScaleEnd(ScaleEnd end, double v)
{
    if (!isFinite(v))
        return false;
    Slot &slot = slots_[scaleIndex_];
    double &value = end == ScaleEnd::Min ? slot.min : slot.max;
    if (value != v) {
        value = v;
        artworkChanged(scaleIndex_);
    }
    return true;
}

bool AGauge::setScaleEnd(ScaleEnd end, const QString &text)
{
    const auto v = NumberText::parse(text);
    return v && setScaleEnd(end, *v);
}

int AGauge::valueDecimals() const
{
    return slots_[needleIndex_].decimals;
}

bool AGauge::setValueDecimals(int decimals)
{
    if (decimals < 0 || decimals > 15)
        return false;
    Slot &slot = slots_[needleIndex_];
    if (slot.decimals != decimals) {
        slot.decimals = decimals;
        update(geometry(needleIndex_).readoutRect().toAlignedRect());
    }
    return true;
}

double AGauge::fontSize() const
{
    return fontPoints_[fontIndex_];
}

bool AGauge::setFontSize(double points)
{
    if (!isFinite(points) || !(points > 0))
        return false;
    if (fontPoints_[fontIndex_] != points) {
        fontPoints_[fontIndex_] = points;
        allArtworkChanged();
    }
    return true;
}

double AGauge::valueFromAngle(double angleDegrees, double scaleMin, double scaleMax)
{
    return GaugeScale::valueAt(angleDegrees, scaleMin, scaleMax);
}

double AGauge::valueFromAngle(int slot, double angleDegrees) const
{
    if (!isSlot(slot))
        return std::nan("");
    return valueFromAngle(angleDegrees, slots_[slot].min, slots_[slot].max);
}

QRectF AGauge::dialRect(int slot) const
{
    const auto dial = geometry(slot);
    if (!dial.drawable())
        return {};
    return {dial.centre.x() - dial.radius, dial.centre.y() - dial.radius, 2 * dial.radius,
            2 * dial.radius};
}

bool AGauge::setFocusedDial(int slot)
{
    if (!isSlot(slot))
        return false;
    if (slot != focusedDial_) {
        if (hasFocus())
            updateFocusRing();
        focusedDial_ = slot;
        if (hasFocus())
            updateFocusRing();
    }
    return true;
}

void AGauge::setArtworkCacheEnabled(bool enabled)
{
    if (cacheEnabled_ == enabled)
        return;
    cacheEnabled_ = enabled;
    artwork_ = QPixmap();
    case_ = {};
    needles_ = {};
    staleSlots_ = 0xF;
    update();
}

QSize AGauge::sizeHint() const
{
    return {480, 400};
}

QSize AGauge::minimumSizeHint() const
{
    return {120, 100};
}

GaugePainter::DialGeometry AGauge::geometry(int slot) const
{
    return GaugePainter::dialGeometry(slot, size());
}

GaugePainter::Face AGauge::face(int slot, const GaugePainter::DialGeometry &dial) const
{
    using GaugePainter::FontRole;
    const Slot &s = slots_[slot];
    GaugePainter::Face f;
    f.caption = s.caption;
    f.min = s.min;
    f.max = s.max;
    f.output = !isInput(slot);
    f.font = font();
    const double dpi = logicalDpiY();
    f.scalePx = GaugePainter::fontPixels(FontRole::ScaleNumbers, fontPoints_[0], dpi, dial.radius);
    f.textPx =
        GaugePainter::fontPixels(FontRole::CaptionAndReadout, fontPoints_[1], dpi, dial.radius);
    return f;
}

int AGauge::dialAt(QPointF pos) const
{
    for (int slot = 0; slot < SlotCount; ++slot)
        if (geometry(slot).contains(pos))
            return slot;
    return -1;
}

double AGauge::needleAngle(int slot) const
{
    const Slot &s = slots_[slot];
    return GaugeScale::needleAngle(s.needle, s.min, s.max);
}

// Repaints only what the move changes: the needle where it was, where it is, and the readout.
void AGauge::moveNeedle(int slot, double value)
{
    Slot &s = slots_[slot];
    if (s.needle == value)
        return;
    const double before = needleAngle(slot);
    s.needle = value;
    const double after = needleAngle(slot);
    const auto dial = geometry(slot);
    if (!dial.drawable())
        return;
    QRegion dirty(dial.readoutRect().toAlignedRect());
    if (before != after) {
        dirty += GaugePainter::needleBounds(dial, before, !isInput(slot)).toAlignedRect();
        dirty += GaugePainter::needleBounds(dial, after, !isInput(slot)).toAlignedRect();
    }
    update(dirty);
}

void AGauge::artworkChanged(int slot)
{
    staleSlots_ |= 1u << slot;
    update(geometry(slot).cell.toAlignedRect());
}

void AGauge::allArtworkChanged()
{
    staleSlots_ = 0xF;
    update();
}

void AGauge::paintArtwork(QPainter &painter, unsigned dials)
{
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (!(dials & (1u << slot)))
            continue;
        const auto dial = geometry(slot);
        painter.fillRect(dial.cell.toAlignedRect(), palette().window());
        GaugePainter::paintFace(painter, dial, face(slot, dial), cacheEnabled_ ? &case_ : nullptr);
        // Part of the artwork: focus moves seldom, the needles often.
        if (hasFocus() && slot == focusedDial_)
            GaugePainter::paintFocusRing(painter, dial, palette().color(QPalette::Highlight));
        ++artworkPaints_;
    }
}

void AGauge::refreshArtwork()
{
    const qreal dpr = devicePixelRatioF();
    const QSize pixels(qCeil(width() * dpr), qCeil(height() * dpr));
    if (artwork_.size() != pixels || artwork_.devicePixelRatio() != dpr) {
        artwork_ = QPixmap(pixels);
        artwork_.setDevicePixelRatio(dpr);
        artwork_.fill(palette().window().color());
        staleSlots_ = 0xF;
    }
    if (!staleSlots_)
        return;
    QPainter painter(&artwork_);
    paintArtwork(painter, staleSlots_);
    staleSlots_ = 0;
}

void AGauge::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRegion &region = event->region();
    // The raster engine blends the cached pictures straight only within a rectangular clip; a
    // region (where other widgets overlap the control's edge) sends every pixel down its span
    // path and on to its thread pool. A region of a few rectangles goes one rectangle at a time.
    if (cacheEnabled_ && region.rectCount() > 1 && region.rectCount() <= 4) {
        for (const QRect &rect : region) {
            painter.setClipRect(rect);
            paintArea(painter, rect);
        }
    } else {
        paintArea(painter, event->rect());
    }
}

void AGauge::paintArea(QPainter &painter, const QRect &area)
{
    if (cacheEnabled_) {
        refreshArtwork();
        // Whole, from the origin: the painter's clip picks the part, pixel for pixel at any
        // pixel ratio (a fractional source rectangle would resample).
        painter.drawPixmap(0, 0, artwork_);
    } else {
        painter.fillRect(area, palette().window());
        paintArtwork(painter, 0xF);
    }
    for (int slot = 0; slot < SlotCount; ++slot) {
        const auto dial = geometry(slot);
        if (!dial.drawable())
            continue;
        const Slot &s = slots_[slot];
        const bool output = !isInput(slot);
        if (dial.readoutRect().toAlignedRect().intersects(area)) {
            const bool beyond =
                s.needle < std::min(s.min, s.max) || s.needle > std::max(s.min, s.max);
            GaugePainter::paintReadout(painter, dial, face(slot, dial), s.needle, s.decimals,
                                       beyond);
        }
        const double angle = needleAngle(slot);
        if (!GaugePainter::needleBounds(dial, angle, output).toAlignedRect().intersects(area))
            continue;
        if (cacheEnabled_) {
            const NeedleSprite &sprite = needleSprite(slot, dial, angle, devicePixelRatioF());
            painter.drawImage(sprite.origin, sprite.image);
        } else {
            GaugePainter::paintNeedle(painter, dial, angle, output);
        }
    }
}

const AGauge::NeedleSprite &AGauge::needleSprite(int slot, const GaugePainter::DialGeometry &dial,
                                                 double angle, qreal dpr)
{
    NeedleSprite &sprite = needles_[slot];
    if (!sprite.image.isNull() && sprite.angle == angle && sprite.widgetSize == size() &&
        sprite.image.devicePixelRatio() == dpr)
        return sprite;
    const bool output = !isInput(slot);
    // Whole device pixels, so the picture is blended back without resampling at any ratio.
    const QRectF bounds = GaugePainter::needleBounds(dial, angle, output);
    const QRect box = QRectF(bounds.topLeft() * dpr, bounds.size() * dpr).toAlignedRect();
    sprite.image = QImage(box.size(), QImage::Format_ARGB32_Premultiplied);
    sprite.image.setDevicePixelRatio(dpr);
    sprite.image.fill(Qt::transparent);
    sprite.origin = QPointF(box.topLeft()) / dpr;
    sprite.angle = angle;
    sprite.widgetSize = size();
    QPainter painter(&sprite.image);
    painter.translate(-sprite.origin);
    GaugePainter::paintNeedle(painter, dial, angle, output);
    return sprite;
}

void AGauge::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    staleSlots_ = 0xF;
}

void AGauge::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange ||
        event->type() == QEvent::StyleChange)
        allArtworkChanged();
}

void AGauge::mousePressEvent(QMouseEvent *event)
{
    const int button = buttonCode(event->button());
    if (!button) {
        event->ignore();
        return;
    }
    const QPointF pos = event->position();
    const int pressed = dialAt(pos);
    if (pressed >= 0)
        setFocusedDial(pressed); // the keys then act on the dial the user pointed at
    if (event->button() == Qt::LeftButton && drag_.slot < 0) {
        const int slot = pressed;
        if (isInput(slot)) {
            const QPointF d = pos - geometry(slot).centre;
            drag_.slot = slot;
            drag_.pointer = GaugeScale::pointerAngle(d.x(), d.y());
            const Slot &s = slots_[slot];
            drag_.shown = GaugeScale::angleOf(s.needle, s.min, s.max); // a pegged needle: its end
            drag_.target = drag_.shown; // the grab offset lives in target - pointer
            setCursor(Qt::ClosedHandCursor);
        }
    }
    event->accept();
    emit GaugeMouse(button, shiftCode(event->modifiers()), float(pos.x()), float(pos.y()));
}

void AGauge::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF pos = event->position();
    if (drag_.slot < 0) {
        updateCursor(pos);
        event->ignore();
        return;
    }
    if (!(event->buttons() & Qt::LeftButton)) {
        endDrag(); // the release went elsewhere (a modal dialog opened meanwhile)
        updateCursor(pos);
        return;
    }
    const int slot = drag_.slot;
    const QPointF d = pos - geometry(slot).centre;
    if (std::hypot(d.x(), d.y()) >= DeadCentrePx) {
        const double pointer = GaugeScale::pointerAngle(d.x(), d.y());
        drag_.target += GaugeScale::wrapDegrees(pointer - drag_.pointer);
        drag_.target = std::clamp(drag_.target, GaugeScale::StartAngle - Overshoot,
                                  GaugeScale::EndAngle + Overshoot);
        drag_.pointer = pointer;
        const double angle = std::clamp(drag_.target, GaugeScale::StartAngle, GaugeScale::EndAngle);
        // A needle resting beyond its scale keeps its value until it actually moves.
        if (angle != drag_.shown) {
            drag_.shown = angle;
            moveNeedle(slot, valueFromAngle(slot, angle));
        }
    }
    event->accept();
    emit GaugeChange();
}

void AGauge::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || drag_.slot < 0) {
        event->ignore();
        return;
    }
    const QPointF pos = event->position();
    endDrag();
    updateCursor(pos);
    event->accept();
    emit GaugeMouse(1, shiftCode(event->modifiers()), float(pos.x()), float(pos.y()));
}

void AGauge::keyPressEvent(QKeyEvent *event)
{
    // The dials in reading order: top left, top right, bottom left, bottom right.
    static constexpr int readingOrder[SlotCount] = {1, 2, 0, 3};
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const int key = event->key();
    if (plain && (key == Qt::Key_Left || key == Qt::Key_Right)) {
        const int at =
            int(std::find(readingOrder, readingOrder + SlotCount, focusedDial_) - readingOrder);
        const int next = (at + (key == Qt::Key_Right ? 1 : SlotCount - 1)) % SlotCount;
        setFocusedDial(readingOrder[next]);
        event->accept();
        return;
    }
    const bool up = key == Qt::Key_Up || key == Qt::Key_PageUp;
    const bool page = key == Qt::Key_PageUp || key == Qt::Key_PageDown;
    if (plain && isInput(focusedDial_) && (up || key == Qt::Key_Down || key == Qt::Key_PageDown)) {
        const int slot = focusedDial_;
        Slot &s = slots_[slot];
        const double value = GaugeScale::keyStep(s.needle, s.min, s.max, up, page);
        if (value != s.needle && drag_.slot != slot) {
            moveNeedle(slot, value);
            emit GaugeChange();
        }
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void AGauge::focusInEvent(QFocusEvent *)
{
    updateFocusRing(); // the rest of the picture does not change with focus
}

void AGauge::focusOutEvent(QFocusEvent *)
{
    updateFocusRing();
}

void AGauge::updateFocusRing()
{
    artworkChanged(focusedDial_);
}

void AGauge::endDrag()
{
    drag_ = Drag{};
}

void AGauge::updateCursor(QPointF pos)
{
    if (isInput(dialAt(pos)))
        setCursor(Qt::OpenHandCursor);
    else
        unsetCursor();
}

#pragma once

#include "GaugePainter.h"

#include <QImage>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <array>

// The dial-gauge control: four instrument gauges in the four quarters of one widget
// (slot 0 Temp bottom left, 1 US top left, 2 Diff top right, 3 Flow bottom right), driven through
// selectors and the properties of the selected slot or font. The user turns the needles of
// slots 0 to 2 with the left mouse button, or with the keys; slot 3 is an output.
//
// Keys, as on Qt's own dials: the control takes focus (Tab, or a click); one dial is the focused
// one, ringed while the control has focus. Left and Right move the focus between the dials in
// reading order, Up and Down step the focused needle by a hundredth of its scale and PageUp and
// PageDown by a tenth (GaugeScale::keyStep), each step raising GaugeChange as a drag does.
//
// Writes by the program never emit a signal. A rejected write returns false and changes nothing.
class AGauge : public QWidget
{
    Q_OBJECT

public:
    static constexpr int SlotCount = 4;
    static constexpr int FontCount = 2; // 0 scale numbers, 1 captions and readouts

    explicit AGauge(QWidget *parent = nullptr);

    // Selectors; each stays in force until written again. Out of range: false, old value kept.
    bool setCaptionIndex(int slot);
    int captionIndex() const { return captionIndex_; }
    bool setNeedleIndex(int slot);
    int needleIndex() const { return needleIndex_; }
    bool setScaleIndex(int slot);
    int scaleIndex() const { return scaleIndex_; }
    bool setFontIndex(int font);
    int fontIndex() const { return fontIndex_; }

    // Caption of the CaptionIndex slot, kept exactly as written.
    QString caption() const;
    void setCaption(const QString &text);

    // Needle of the NeedleIndex slot; any finite value (beyond the scale it rests at an end).
    double needleValue() const;
    bool setNeedleValue(double v);
    bool setNeedleValue(const QString &text);

    // Scale ends of the ScaleIndex slot; finite, in either order, equal allowed.
    enum class ScaleEnd { Min, Max };
    double scaleMin() const;
    double scaleMax() const;
    bool setScaleEnd(ScaleEnd end, double v);
    bool setScaleEnd(ScaleEnd end, const QString &text);

    // Decimals of the NeedleIndex slot's readout, 0 to 15.
    int valueDecimals() const;
    bool setValueDecimals(int decimals);

    // Size in points of the FontIndex font; finite and above 0. Reads back as written; on a
    // dial too small for it the text is drawn smaller (GaugePainter::fontPixels).
    double fontSize() const;
    bool setFontSize(double points);

    // The value a needle at a clock angle shows on the scale scaleMin..scaleMax: angle in
    // degrees, 0 straight up, growing clockwise on screen; ScaleMin sits at -135 (lower left),
    // ScaleMax at +135 (lower right). Angles are wrapped into (-180, 180]; those in the bottom
    // gap give the nearer end. Reversed scales (min above max) work; equal ends give min.
    static double valueFromAngle(double angleDegrees, double scaleMin, double scaleMax);
    // The same on slot's own scale; NaN for a slot out of range.
    double valueFromAngle(int slot, double angleDegrees) const;

    // The square holding slot's dial (bezel included), widget pixels; empty for a bad slot or a
    // quarter too small to draw in.
    QRectF dialRect(int slot) const;

    // The dial the keys act on; at first the top left one. Out of range: false, old value kept.
    int focusedDial() const { return focusedDial_; }
    bool setFocusedDial(int slot);

    // The static artwork is kept in a pixmap at the screen's pixel ratio (the dials' common case
    // in an image of its own), and each needle in an image redrawn only when it turns, unless
    // this is off (every paint then draws everything: for the benchmark).
    void setArtworkCacheEnabled(bool enabled);
    bool artworkCacheEnabled() const { return cacheEnabled_; }
    // How many times the artwork of a dial has been drawn (into the cache or, uncached, to the
    // screen) since construction.
    int artworkPaintCount() const { return artworkPaints_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // A mouse button pressed over the control, or the left-button release that ends a drag.
    // Button 1 left, 2 right, 4 middle; Shift 1 Shift, 2 Ctrl, 4 Alt; X, Y in widget pixels.
    void GaugeMouse(int Button, int Shift, float X, float Y);
    // The user moved a needle (one per mouse move while dragging, one per key step).
    void GaugeChange();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    struct Slot
    {
        QString caption;
        double min = 0;
        double max = 0;
        double needle = 0;
        int decimals = 0;
    };

    // A needle the user is turning. target is the pointer's angle plus the grab offset, free to
    // run a little past the end stops; the needle shows it clamped to the arc.
    // A needle as last drawn: rendering it (antialiased, with shadow and a shaded hub) costs far
    // more than blending the picture back.
    struct NeedleSprite
    {
        QImage image;
        QPointF origin; // widget pixels, on a whole device pixel
        double angle = 0;
        QSize widgetSize;
    };

    struct Drag
    {
        int slot = -1;
        double pointer = 0;
        double target = 0;
        double shown = 0; // the angle of the value last written, within the arc
    };

    static bool isSlot(int slot) { return slot >= 0 && slot < SlotCount; }
    static bool isInput(int slot) { return slot >= 0 && slot < SlotCount - 1; }
    GaugePainter::DialGeometry geometry(int slot) const;
    GaugePainter::Face face(int slot, const GaugePainter::DialGeometry &dial) const;
    int dialAt(QPointF pos) const;
    double needleAngle(int slot) const;

    void moveNeedle(int slot, double value);
    void artworkChanged(int slot);
    void allArtworkChanged();
    void refreshArtwork();
    void paintArtwork(QPainter &painter, unsigned dials);
    void paintArea(QPainter &painter, const QRect &area);
    const NeedleSprite &needleSprite(int slot, const GaugePainter::DialGeometry &dial, double angle,
                                     qreal dpr);
    void endDrag();
    void updateCursor(QPointF pos);
    void updateFocusRing(); // the focused dial's artwork, which holds the ring

    std::array<Slot, SlotCount> slots_;
    std::array<double, FontCount> fontPoints_{8.25, 12.0};
    int captionIndex_ = 0;
    int needleIndex_ = 0;
    int scaleIndex_ = 0;
    int fontIndex_ = 0;
    int focusedDial_ = 1;

    bool cacheEnabled_ = true;
    QPixmap artwork_;
    GaugePainter::CasePicture case_; // shared by the four dials' artwork
    unsigned staleSlots_ = 0xF;      // bit per slot whose artwork in artwork_ is out of date
    int artworkPaints_ = 0;
    std::array<NeedleSprite, SlotCount> needles_;

    Drag drag_;
};

#include "frmBrisko.h"

#include "AGauge.h"
#include "DesignTypeface.h"
#include "Dialogs.h"
#include "FindingsView.h"
#include "FlowSolvers.h"
#include "FrameExtents.h"
#include "frmBriskoAbout.h"
#include "ListPick.h"
#include "NumberText.h"
#include "SettingsStore.h"
#include "SheetCommands.h"
#include "Steps.h"
#include "WindowBounds.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cmath>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// Colours and fonts of the designed window.
const QColor kTagBackground(255, 247, 223);
const QColor kFrameCaption(0, 0, 192);
const QColor kSweetText(192, 0, 0);
const QColor kSourText(0, 128, 0);

QFont arial(double points, bool bold, const QString &family = designFamily())
{
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

const char *const kPlateList[] = {
    "0.0625", "0.0630", "0.0740", "0.0930", "0.1250", "0.1560", "0.1870", "0.2140",
    "0.2500", "0.3140", "0.3430", "0.3750", "0.4060", "0.4380", "0.5000", "0.6250",
    "0.7500", "0.8750", "1.0000", "1.1250", "1.2500", "1.3750", "1.5000", "1.6250",
    "1.7500", "2.0000", "2.2500", "2.5000", "2.7500", "3.0000", "3.2500", "3.5000",
    "3.7500", "4.0000", "4.2500", "4.5000", "4.7500", "5.0000", "5.2500", "5.5000",
    "5.7500", "6.0000", "6.2500", "6.5000", "6.7500", "7.0000",
};
const char *const kMeterList[] = {"2.067", "3.068", "4.026", "6.065", "8.071", "10.136"};

} // namespace

frmBrisko::frmBrisko(Dialogs &dialogs, QWidget *parent) : QWidget(parent), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("frmBrisko"));
    setWindowTitle(QStringLiteral("Natural Gas Pelorim"));

    pctGauge = new QWidget(this);
    pctGauge->setObjectName(QStringLiteral("pctGauge"));
    pctGauge->hide(); // shown at the end of the load step

    AGauge_ = new AGauge(pctGauge);
    AGauge_->setObjectName(QStringLiteral("AGauge"));

    buildInputFrame();
    buildResultFrames();

    cmdAbout = new QPushButton(QStringLiteral("A&bout"), pctGauge);
    cmdAbout->setObjectName(QStringLiteral("cmdAbout"));
    cmdClose = new QPushButton(QStringLiteral("&Close"), pctGauge);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    connect(cmdAbout, &QPushButton::clicked, this, &frmBrisko::cmdAbout_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmBrisko::cmdClose_Click);

    panel_ = new GaugePanel(this, AGauge_, fields_, dialogs_);
    // What the window adds to each calculation: its findings shown in place, the calculation
    // sheet's commands, and the flow dial's solvers.
    new FindingsView(*panel_, AGauge_, fields_);
    sheet_ = new SheetCommands(this, *panel_, fields_, dialogs_, {fInput, fIntermediate, fOutput});
    new FlowSolvers(this, *panel_, AGauge_, ComboPlate, dialogs_);

    settle_ = new QTimer(this);
    settle_->setInterval(kSettleIntervalMs);
    connect(settle_, &QTimer::timeout, this, &frmBrisko::settleOuterGeometry);

    // Handlers of the input panel. Combo boxes recompute on a pick from the list only.
    for (QComboBox *combo : {ComboMeter, ComboPlate})
        connect(new ListPick(combo), &ListPick::picked, this, [this] { UpdateFlowNeedle(); });
    connect(txtSpGr, &QLineEdit::textChanged, this, &frmBrisko::txtSpGr_Change);
    for (QLineEdit *field : {txtTb, txtPb, txtLat, txtElev})
        connect(field, &QLineEdit::textChanged, this, [this] { UpdateFlowNeedle(); });
    for (QRadioButton *button : {Sweet, Sour, Other})
        connect(button, &QRadioButton::toggled, this, [this, button](bool on) {
            if (on)
                preset_Click(button);
        });

    // A text the program writes is shown from its start, so a long number never hides its sign
    // and leading digits; a box the user is typing in is left alone.
    for (QLineEdit *box : findChildren<QLineEdit *>())
        connect(box, &QLineEdit::textChanged, box, [box] {
            if (!box->hasFocus())
                box->setCursorPosition(0);
        });

    setTabOrder(ComboPlate, ComboMeter);
    setTabOrder(ComboMeter, txtSpGr);
    setTabOrder(txtSpGr, Sweet);
    setTabOrder(Sweet, Sour);
    setTabOrder(Sour, Other);
    setTabOrder(Other, txtTb);
    setTabOrder(txtTb, txtPb);
    setTabOrder(txtPb, txtLat);
    setTabOrder(txtLat, txtElev);
}

frmBrisko::~frmBrisko() = default;

double frmBrisko::twipsPerPixel() const
{
    const QScreen *s = screen();
    const double dpi = s ? s->logicalDotsPerInchX() : 96.0;
    return 1440.0 / (dpi > 0 ? dpi : 96.0);
}

int frmBrisko::px(int twips) const
{
    return qRound(twips / twipsPerPixel());
}

QLabel *frmBrisko::tagLabel(QWidget *frame, QWidget *box, const char *text, const char *tip,
                            QRect twips, const QFont &font)
{
    // A tag label with its long name as tooltip, left of its box; the box is its buddy, so the
    // long name is found from the box (the calculation sheet names rows by it).
    auto *label = new QLabel(QString::fromLatin1(text), frame);
    label->setBuddy(box);
    label->setToolTip(QString::fromLatin1(tip));
    label->setFont(font);
    label->setAutoFillBackground(true);
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, kTagBackground);
    pal.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(pal);
    label->setGeometry(px(twips.x()), px(twips.y()), px(twips.width()), px(twips.height()));
    return label;
}

void frmBrisko::buildInputFrame()
{
    fInput = new QGroupBox(QStringLiteral("Input"), pctGauge);
    fInput->setObjectName(QStringLiteral("fInput"));

    const auto place = [this](QWidget *w, int x, int y, int width, int height) {
        w->setGeometry(px(x), px(y), px(width), px(height));
    };

    const QFont boxBold = arial(9, true);
    const QFont tagBold = arial(8.25, true);
    const QFont field = arial(8.25, false);
    const QFont tagNarrow = arial(8.25, false, QStringLiteral("Arial Narrow"));

    const auto combo = [&](const char *name, const char *initial) {
        auto *box = new QComboBox(fInput);
        box->setObjectName(QString::fromLatin1(name));
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert); // typed text never joins the list
        box->setCompleter(nullptr);                // nor is it completed behind the user's back
        box->setFont(boxBold);
        box->setEditText(QString::fromLatin1(initial));
        return box;
    };
    ComboPlate = combo("ComboPlate", "0.0625");
    ComboMeter = combo("ComboMeter", "2.067");
    place(ComboPlate, 375, 210, 1020, 345);
    place(ComboMeter, 375, 540, 1020, 345);
    tagLabel(fInput, ComboPlate, "P", "Orifice Diameter (P)", {60, 210, 330, 345}, tagBold);
    tagLabel(fInput, ComboMeter, "M", "Inside Diameter of Meter (M)", {60, 540, 330, 345}, tagBold);

    // The five text fields: box and tag label, in twips inside the frame.
    const struct
    {
        QLineEdit **box;
        const char *name, *initial;
        QRect boxTwips;
        const QFont &font;
        const char *tag, *tip;
        QRect tagTwips;
        const QFont &tagFont;
    } fields[] = {
        // One row per field: box, then its tag label.
        // clang-format off
        {&txtSpGr, "txtSpGr", "0.643", {375, 855, 990, 330}, boxBold,
         "G", "Gas Specific Gravity (G)", {60, 855, 330, 330}, tagBold},
        {&txtTb, "txtTb", "60", {375, 1170, 630, 330}, field,
         "Tb", "Contract Temperature Base (Tb)", {60, 1170, 330, 330}, tagNarrow},
        {&txtLat, "txtLat", "42", {375, 1485, 630, 330}, field,
         "Lat", "Latitude in Degrees", {60, 1485, 330, 330}, tagNarrow},
        {&txtPb, "txtPb", "14.73", {1350, 1170, 915, 330}, field,
         "Pb", "Contract Pressure Base (Pb)", {975, 1170, 390, 330}, tagNarrow},
        {&txtElev, "txtElev", "300", {1350, 1485, 915, 330}, field,
         "Elev", "Elevation in Feet", {975, 1485, 390, 330}, tagNarrow},
        // clang-format on
    };
    for (const auto &f : fields) {
        auto *box = new QLineEdit(QString::fromLatin1(f.initial), fInput);
        box->setObjectName(QString::fromLatin1(f.name));
        box->setFont(f.font);
        place(box, f.boxTwips.x(), f.boxTwips.y(), f.boxTwips.width(), f.boxTwips.height());
        tagLabel(fInput, box, f.tag, f.tip, f.tagTwips, f.tagFont);
        *f.box = box;
    }

    // The presets: bare option circles in an inner box, each named by a label beside it.
    auto *picture1 = new QWidget(fInput);
    picture1->setObjectName(QStringLiteral("Picture1"));
    place(picture1, 1350, 210, 915, 975);
    presets_ = new QButtonGroup(this);
    const auto preset = [&](const char *name, int top, const QColor &colour) {
        auto *button = new QRadioButton(picture1);
        button->setObjectName(QString::fromLatin1(name));
        button->setGeometry(px(45), px(top), 18, px(255));
        presets_->addButton(button);
        auto *label = new QLabel(QString::fromLatin1(name), picture1);
        label->setFont(field);
        if (colour.isValid()) {
            QPalette pal = label->palette();
            pal.setColor(QPalette::WindowText, colour);
            label->setPalette(pal);
        }
        label->setGeometry(px(45) + 18, px(top), px(915) - px(45) - 18, px(255));
        label->setBuddy(button);
        return button;
    };
    Sweet = preset("Sweet", 75, kSweetText);
    Sour = preset("Sour", 375, kSourText);
    Other = preset("Other", 675, QColor());
}

void frmBrisko::buildResultFrames()
{
    fIntermediate = new QGroupBox(QStringLiteral("Orifice"), pctGauge);
    fIntermediate->setObjectName(QStringLiteral("fIntermediate"));
    fOutput = new QGroupBox(QStringLiteral("Factors"), pctGauge);
    fOutput->setObjectName(QStringLiteral("fOutput"));

    const QFont bold = arial(8.25, true);
    const QFont regular = arial(8.25, false);
    const int rowTops[] = {195, 510, 825, 1140, 1455};
    const int intermediateTops[] = {195, 495};

    struct Row
    {
        QLineEdit **box;
        const char *name, *tag, *tip;
    };
    const auto column = [&](QGroupBox *frame, std::initializer_list<Row> rows, const int *tops,
                            int tagLeft, int boxLeft, int boxWidth, const QFont &font) {
        int i = 0;
        for (const Row &row : rows) {
            auto *box = new QLineEdit(frame);
            box->setObjectName(QString::fromLatin1(row.name));
            box->setFont(font);
            QPalette boxPal = box->palette();
            boxPal.setColor(QPalette::Base, Qt::white);
            box->setPalette(boxPal);
            box->setGeometry(px(boxLeft), px(tops[i]), px(boxWidth), px(330));
            tagLabel(frame, box, row.tag, row.tip, {tagLeft, tops[i], 390, 330}, font);
            *row.box = box;
            ++i;
        }
    };
    column(fIntermediate,
           {{&fields_.txtBase, "txtBase", "C", "Orifice Flow Constant (C) - C-Prime"},
            {&fields_.txtFb, "txtFb", "Fb", "Basic Orifice Factor (Fb)"}},
           intermediateTops, 60, 435, 1065, bold);
    column(fOutput,
           {{&fields_.txtAll, "txtAll", "*",
             "All factors multiplied together (Fg * Fr * Y * Z * Fl * Fa * FTf * FTb * FPb)"},
            {&fields_.txtFg, "txtFg", "Fg", "Specific Gravity Factor (Fg)"},
            {&fields_.txtFr, "txtFr", "Fr", "Reynolds Number Factor (Fr)"},
            {&fields_.txty, "txty", "Y", "Expansion Factor (Y)"},
            {&fields_.txtZ, "txtZ", "Z", "Supercompressibility Factor (Z)"}},
           rowTops, 60, 435, 735, bold);
    column(fOutput,
           {{&fields_.txtFl, "txtFl", "Fl", "Location Factor (Fl), depends on Lat and Elev above."},
            {&fields_.txtFa, "txtFa", "Fa", "Orifice Thermal Expansion (Fa)"},
            {&fields_.txtFTf, "txtFTf", "FTf", "Flowing Temperature Factor (FTf)"},
            {&fields_.txtFTb, "txtFTb", "FTb",
             "Contract Temperature Base Factor (FTb), depends on Tb above."},
            {&fields_.txtFPb, "txtFPb", "FPb",
             "Contract Pressure Base Factor (FPb), depends on Pb above."}},
           rowTops, 1155, 1530, 750, regular);

    // White frames with dark blue captions; their children keep black text.
    for (QGroupBox *frame : {fInput, fIntermediate, fOutput}) {
        frame->setAutoFillBackground(true);
        QPalette pal = frame->palette();
        pal.setColor(QPalette::Window, Qt::white);
        pal.setColor(QPalette::WindowText, kFrameCaption);
        frame->setPalette(pal);
        for (QWidget *child : frame->findChildren<QWidget *>()) {
            if (child->palette().resolveMask() & (1ULL << QPalette::WindowText))
                continue; // a colour of its own
            QPalette childPal = child->palette();
            childPal.setColor(QPalette::WindowText, Qt::black);
            child->setPalette(childPal);
        }
    }

    fields_.ComboMeter = ComboMeter;
    fields_.ComboPlate = ComboPlate;
    fields_.txtSpGr = txtSpGr;
    fields_.txtTb = txtTb;
    fields_.txtPb = txtPb;
    fields_.txtLat = txtLat;
    fields_.txtElev = txtElev;
}

void frmBrisko::Form_Load()
{
    SettingsStore store;
    setSizeLimitHooked(true);
    // The flow coefficient table is constant data, filled before any code runs.
    restoreSettings(store);
    pctGauge->show();
    setWindowTitle(QStringLiteral("Pelorim"));
}

std::array<std::pair<QComboBox *, Setting>, 2> frmBrisko::storedCombos() const
{
    return {{{ComboMeter, Setting::Meter}, {ComboPlate, Setting::Plate}}};
}

std::array<std::pair<QLineEdit *, Setting>, 5> frmBrisko::storedFields() const
{
    return {{{txtSpGr, Setting::SpGr},
             {txtTb, Setting::Tb},
             {txtPb, Setting::Pb},
             {txtLat, Setting::Lat},
             {txtElev, Setting::Elev}}};
}

std::array<std::pair<QRadioButton *, Setting>, 3> frmBrisko::storedPresets() const
{
    return {{{Sweet, Setting::Sweet}, {Sour, Setting::Sour}, {Other, Setting::Other}}};
}

void frmBrisko::restoreSettings(const SettingsStore &store)
{
    restoreBounds(store);

    for (const char *entry : kPlateList)
        ComboPlate->addItem(QString::fromLatin1(entry));
    for (const char *entry : kMeterList)
        ComboMeter->addItem(QString::fromLatin1(entry));
    // Filling the lists must not replace the designed texts.
    ComboPlate->setEditText(QStringLiteral("0.0625"));
    ComboMeter->setEditText(QStringLiteral("2.067"));

    // The texts, verbatim; fields run their change handling.
    for (const auto &[combo, setting] : storedCombos())
        runStep([&] { combo->setEditText(store.read(setting)); });
    for (const auto &[field, setting] : storedFields())
        runStep([&] { field->setText(store.read(setting)); });

    // Each gauge's caption, scale and needle, the scale before the needle.
    const auto number = [&](Setting setting) {
        const auto value = SettingsStore::parseNumber(store.read(setting));
        require(value.has_value());
        return *value;
    };
    for (const GaugeSettings &gauge : kGaugeSettings) {
        selectSlot(*AGauge_, gauge.slot);
        runStep([&] { AGauge_->setCaption(store.read(gauge.caption)); });
        runStep([&] { require(AGauge_->setScaleEnd(AGauge::ScaleEnd::Min, number(gauge.min))); });
        runStep([&] { require(AGauge_->setScaleEnd(AGauge::ScaleEnd::Max, number(gauge.max))); });
        runStep([&] { require(AGauge_->setNeedleValue(number(gauge.needle))); });
    }

    // The presets; a selected one runs its click handling.
    bool presetRecalculated = false;
    for (const auto &[button, setting] : storedPresets())
        runStep([&] {
            const auto on = SettingsStore::parseBoolean(store.read(setting));
            require(on.has_value());
            if (*on && !button->isChecked())
                presetRecalculated = true;
            button->setChecked(*on);
        });

    // Without a restored preset nothing has recalculated since the gauges were restored,
    // and the flow needle would show its stored value instead of the flow of the inputs.
    if (!presetRecalculated)
        UpdateFlowNeedle();
}

int frmBrisko::storedPixels(const QString &text) const
{
    const auto value = SettingsStore::parseNumber(text);
    require(value.has_value());
    const float twips = static_cast<float>(*value); // stored as a single-precision number
    require(std::isfinite(twips));
    // Far beyond any screen, yet safe to add up as int; placing the window brings it back.
    constexpr double far = 1 << 24;
    return qRound(std::clamp(twips / twipsPerPixel(), -far, far));
}

void frmBrisko::restoreBounds(const SettingsStore &store)
{
    // Each bound on its own: one that does not convert keeps the designed value.
    QRect outer = outerGeometry();
    runStep([&] { outer.moveLeft(storedPixels(store.read(Setting::MainLeft))); });
    runStep([&] { outer.moveTop(storedPixels(store.read(Setting::MainTop))); });
    runStep([&] { outer.setWidth(storedPixels(store.read(Setting::MainWidth))); });
    runStep([&] { outer.setHeight(storedPixels(store.read(Setting::MainHeight))); });

    QList<QRect> areas;
    for (const QScreen *s : QGuiApplication::screens())
        areas.append(s->availableGeometry());
    restoredOuter_ =
        WindowBounds::placeOnScreen(outer, areas, QSize(MinimumOuterWidth, MinimumOuterHeight));
    // Where the window manager tells its frame in advance, the window is right when it first
    // appears; elsewhere the frame is taken off once it is known (settleOuterGeometry).
    expectedFrame_ = expectedWindowFrame(*this);
    applyMinimumSize();
    applyOuterGeometry(restoredOuter_);
}

void frmBrisko::saveSettings(SettingsStore &store)
{
    // Until the frame is known the restored rectangle is the window's bounds.
    const QRect outer = restoredOuter_.isValid() ? restoredOuter_ : outerGeometry();
    const double tpp = twipsPerPixel();
    const std::pair<Setting, int> bounds[] = {{Setting::MainLeft, outer.x()},
                                              {Setting::MainTop, outer.y()},
                                              {Setting::MainWidth, outer.width()},
                                              {Setting::MainHeight, outer.height()}};
    for (const auto &[setting, pixels] : bounds)
        store.write(setting, SettingsStore::formatNumber(pixels * tpp, SettingKind::Single));

    for (const auto &[combo, setting] : storedCombos())
        store.write(setting, combo->currentText());
    for (const auto &[field, setting] : storedFields())
        store.write(setting, field->text());

    for (const GaugeSettings &gauge : kGaugeSettings) {
        if (!selectSlot(*AGauge_, gauge.slot))
            continue; // the values read would belong to another gauge
        store.write(gauge.caption, AGauge_->caption());
        const std::pair<Setting, double> numbers[] = {{gauge.min, AGauge_->scaleMin()},
                                                      {gauge.max, AGauge_->scaleMax()},
                                                      {gauge.needle, AGauge_->needleValue()}};
        for (const auto &[setting, value] : numbers)
            store.write(setting, SettingsStore::formatNumber(value, SettingKind::Number));
    }

    for (const auto &[button, setting] : storedPresets())
        store.write(setting,
                    button->isChecked() ? QStringLiteral("True") : QStringLiteral("False"));
}

void frmBrisko::cmdClose_Click()
{
    SettingsStore store;
    saveSettings(store);
    // The old store survives a failed save; say so, then close as always.
    if (!store.commit())
        dialogs_.criticalMessage(
            this,
            tr("The settings could not be saved to %1: %2.")
                .arg(QDir::toNativeSeparators(store.fileName()), store.errorString()),
            tr("Settings not saved"));
    close();
}

void frmBrisko::closeEvent(QCloseEvent *event)
{
    // Every way of closing ends here; only the Close button has saved anything.
    setSizeLimitHooked(false);
    event->accept();
}

void frmBrisko::cmdAbout_Click()
{
    if (!about_)
        about_ = new frmBriskoAbout(this);
    dialogs_.showModal(about_);
}

void frmBrisko::txtSpGr_Change()
{
    // Typing 0, then 0., then 0.6 computes only once the gravity is a positive number.
    const auto gravity = NumberText::parse(txtSpGr->text());
    if (!gravity || !(*gravity > 0))
        return;
    UpdateFlowNeedle();
}

void frmBrisko::preset_Click(QRadioButton *button)
{
    if (button == Sweet)
        txtSpGr->setText(QStringLiteral("0.615"));
    else if (button == Sour)
        txtSpGr->setText(QStringLiteral("0.643"));
    UpdateFlowNeedle();
}

QMargins frmBrisko::platformFrame() const
{
    const QWindow *window = windowHandle();
    return window && isWindow() ? window->frameMargins() : QMargins();
}

QMargins frmBrisko::windowFrame() const
{
    const QMargins frame = platformFrame();
    return frame.isNull() ? expectedFrame_ : frame;
}

QRect frmBrisko::outerGeometry() const
{
    return geometry().marginsAdded(windowFrame());
}

void frmBrisko::applyOuterGeometry(const QRect &outer)
{
    const QMargins frame = windowFrame();
    move(outer.topLeft()); // a window's position is its frame's
    resize(outer.size().shrunkBy(frame));
}

void frmBrisko::setSizeLimitHooked(bool hooked)
{
    sizeLimitHooked_ = hooked;
    if (hooked)
        applyMinimumSize();
    else
        setMinimumSize(0, 0);
}

void frmBrisko::applyMinimumSize()
{
    if (!sizeLimitHooked_)
        return;
    // The limit is on the outer size; Qt limits the client area, so take the frame off.
    const QSize limit = QSize(MinimumOuterWidth, MinimumOuterHeight).shrunkBy(windowFrame());
    if (minimumSize() != limit)
        setMinimumSize(limit);
}

void frmBrisko::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (restoredOuter_.isValid()) {
        settleTries_ = 0;
        settleOuterGeometry();
        if (restoredOuter_.isValid())
            settle_->start();
    }
}

void frmBrisko::settleOuterGeometry()
{
    // A window manager adds its frame some time after the window is mapped; until then the
    // client size set before showing counted the frame expected, or none. Once the frame is
    // known, the window gets exactly the restored outer rectangle (if none comes, there is
    // nothing to take off).
    if (platformFrame().isNull() && ++settleTries_ < kSettleTries)
        return;
    settle_->stop();
    applyMinimumSize();
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)))
        applyOuterGeometry(restoredOuter_);
    restoredOuter_ = QRect();
    expectedFrame_ = QMargins();
}

void frmBrisko::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    applyMinimumSize();
}

void frmBrisko::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    applyMinimumSize();
    RedoForm();
}

#ifdef Q_OS_WIN
bool frmBrisko::nativeEvent(const QByteArray &eventType, void *message, qintptr *result)
{
    // Windows asks the window itself for its size limits: answer with the minimum.
    auto *msg = static_cast<MSG *>(message);
    if (sizeLimitHooked_ && msg->message == WM_GETMINMAXINFO) {
        auto *info = reinterpret_cast<MINMAXINFO *>(msg->lParam);
        info->ptMinTrackSize.x = MinimumOuterWidth;
        info->ptMinTrackSize.y = MinimumOuterHeight;
        *result = 0;
        return true;
    }
    return QWidget::nativeEvent(eventType, message, result);
}
#endif

void frmBrisko::RedoForm()
{
    if (isMinimized())
        return;
    setUpdatesEnabled(false);
    const int W = 156;
    const int panelWidth = width();
    const int panelHeight = height();
    const qint32 area = static_cast<qint32>(qRound64(double(panelWidth) * panelHeight));
    pctGauge->setGeometry(0, 0, panelWidth, panelHeight);
    fInput->setGeometry(panelWidth - (W + 2), 0, W, 125);
    fIntermediate->setGeometry(fInput->x(), fInput->y() + fInput->height(), W - 51, 58);
    fOutput->setGeometry(fIntermediate->x(), fIntermediate->y() + fIntermediate->height(), W, 127);
    const qint16 buttonWidth = W / 2 - 2;
    const int buttonHeight = 20;
    cmdAbout->setGeometry(fIntermediate->x(), height() - buttonHeight - 4, buttonWidth,
                          buttonHeight);
    cmdClose->setGeometry(cmdAbout->x() + cmdAbout->width() + 2, cmdAbout->y(), buttonWidth,
                          buttonHeight);
    const double gaugeWidth = panelWidth - W;
    AGauge_->setGeometry(0, 0, qRound(gaugeWidth), panelHeight);
    runStep([&] {
        require(AGauge_->setFontIndex(1));
        require(AGauge_->setFontSize(area / 25000.0 + 5));
        if (AGauge_->fontSize() > 40)
            require(AGauge_->setFontSize(40));
    });
    runStep([&] {
        require(AGauge_->setFontIndex(0));
        require(AGauge_->setFontSize(area / 40000.0));
    });
    setUpdatesEnabled(true);
}

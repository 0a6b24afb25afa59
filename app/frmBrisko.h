#pragma once

#include "GaugePanel.h"
#include "SettingsStore.h"

#include <QMargins>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <array>
#include <utility>

class AGauge;
class Dialogs;
class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class SettingsStore;
class SheetCommands;
class frmBriskoAbout;

// The calculator's one main window: the gauge panel on the left, the input and result
// frames in a column on the right. Everything the user sets is restored by Form_Load() and
// saved by the Close button, and only by it.
class frmBrisko : public QWidget
{
    Q_OBJECT

public:
    // The smallest outer size (frame included) the window can be given.
    static constexpr int MinimumOuterWidth = 485;
    static constexpr int MinimumOuterHeight = 365;

    explicit frmBrisko(Dialogs &dialogs, QWidget *parent = nullptr);
    ~frmBrisko() override;

    // The load step: restores the stored state, letting the restored inputs recompute.
    void Form_Load();
    // Lays the panel out for the current client size.
    void RedoForm();

    double Recalculate() { return panel_->Recalculate(); }
    void UpdateFlowNeedle() { panel_->UpdateFlowNeedle(); }
    GaugePanel &panel() { return *panel_; }
    SheetCommands &sheetCommands() { return *sheet_; }

    // Screen twips per pixel, for the stored window bounds and the designed positions.
    double twipsPerPixel() const;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray &eventType, void *message, qintptr *result) override;
#endif

private:
    void buildInputFrame();
    void buildResultFrames();
    int px(int twips) const;
    QLabel *tagLabel(QWidget *frame, QWidget *box, const char *text, const char *tip, QRect twips,
                     const QFont &font);
    void setSizeLimitHooked(bool hooked);
    void applyMinimumSize();

    // The window's bounds with its frame: what the store keeps.
    QMargins platformFrame() const;
    QMargins windowFrame() const; // the platform's, or the one expected until that is known
    QRect outerGeometry() const;
    void applyOuterGeometry(const QRect &outer);
    void settleOuterGeometry();

    // Which control each stored text belongs to.
    std::array<std::pair<QComboBox *, Setting>, 2> storedCombos() const;
    std::array<std::pair<QLineEdit *, Setting>, 5> storedFields() const;
    std::array<std::pair<QRadioButton *, Setting>, 3> storedPresets() const;
    int storedPixels(const QString &text) const;
    void restoreBounds(const SettingsStore &store);
    void restoreSettings(const SettingsStore &store);
    void saveSettings(SettingsStore &store);

    void cmdClose_Click();
    void cmdAbout_Click();
    void txtSpGr_Change();
    void preset_Click(QRadioButton *button);

    Dialogs &dialogs_;
    QWidget *pctGauge;
    AGauge *AGauge_;
    QGroupBox *fInput;
    QGroupBox *fIntermediate;
    QGroupBox *fOutput;
    QComboBox *ComboPlate;
    QComboBox *ComboMeter;
    QLineEdit *txtSpGr;
    QLineEdit *txtTb;
    QLineEdit *txtPb;
    QLineEdit *txtLat;
    QLineEdit *txtElev;
    QRadioButton *Sweet;
    QRadioButton *Sour;
    QRadioButton *Other;
    QButtonGroup *presets_;
    QPushButton *cmdAbout;
    QPushButton *cmdClose;
    PanelFields fields_;
    GaugePanel *panel_;
    SheetCommands *sheet_;
    QPointer<frmBriskoAbout> about_;
    bool sizeLimitHooked_ = false;
    // The restored outer rectangle, placed on a screen, until the window's frame is known.
    QRect restoredOuter_;
    QMargins expectedFrame_;
    QTimer *settle_;
    int settleTries_ = 0;
    static constexpr int kSettleIntervalMs = 10;
    static constexpr int kSettleTries = 100;
};

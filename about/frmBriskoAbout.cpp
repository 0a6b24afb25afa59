#include "frmBriskoAbout.h"

#include "AboutArtwork.h"
#include "BriskoAboutConfig.h"
#include "md_shellex.h"

#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPushButton>

namespace {

constexpr QSize ClientSize(414, 458);
constexpr QPoint VersionAt(150, 28);
constexpr QPoint NameAt(157, 414);
constexpr QPoint VeskAt(157, 435);
constexpr QRect CloseButtonRect(339, 426, 58, 21);
const QColor LabelBlue(0, 0, 255);

QLabel *makeLabel(QWidget *parent, const char *name, QPoint at)
{
    auto *label = new QLabel(QStringLiteral("?"), parent);
    label->setObjectName(QLatin1String(name));
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(9.75);
    font.setBold(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, LabelBlue);
    label->setPalette(palette);
    label->setMargin(0);
    label->move(at);
    label->adjustSize();
    return label;
}

void setLabelText(QLabel *label, const QString &text)
{
    label->setText(text);
    label->adjustSize(); // the labels size themselves to their text
}

} // namespace

QString aboutVersionLine(int major, int minor, int revision)
{
    return QStringLiteral("Pelorim, Version %1.%2%3").arg(major).arg(minor).arg(revision);
}

frmBriskoAbout::frmBriskoAbout(QWidget *owner)
    : QDialog(owner), lblVersion(makeLabel(this, "lblVersion", VersionAt)),
      lblVesk(makeLabel(this, "lblVesk", VeskAt)), lblName(makeLabel(this, "lblName", NameAt)),
      cmdAboutClose(new QPushButton(tr("&Close"), this))
{
    setObjectName(QStringLiteral("frmBriskoAbout"));
    setWindowTitle(QStringLiteral("About Pelorim"));
    setFixedSize(ClientSize);
    setModal(true);
    // Every way of closing (button, Escape, the title bar) unloads, so the next showing gets a
    // freshly loaded dialog.
    setAttribute(Qt::WA_DeleteOnClose);

    background_ = aboutBackground(ClientSize, devicePixelRatioF());

    lblVesk->setCursor(pointingHandCursor());
    lblVesk->installEventFilter(this);

    cmdAboutClose->setObjectName(QStringLiteral("cmdAboutClose"));
    cmdAboutClose->setGeometry(CloseButtonRect);
    connect(cmdAboutClose, &QPushButton::clicked, this, &QWidget::close);

    Form_Load();
}

void frmBriskoAbout::Form_Load()
{
    setLabelText(lblVersion, aboutVersionLine(brisko::about_config::VersionMajor,
                                              brisko::about_config::VersionMinor,
                                              brisko::about_config::VersionRevision));
    const QString address = QString::fromUtf8(brisko::about_config::WebAddress);
    setLabelText(lblVesk, address);
    lblVesk->setProperty("tag", address);
    setLabelText(lblName, QString::fromUtf8(brisko::about_config::AuthorLine));
}

void frmBriskoAbout::lblVesk_Click()
{
    // A link that cannot be opened simply does nothing; the user sees no report.
    (void)ShellOpen(lblVesk->property("tag").toString(), ShowDefault, QString(), QString(),
                    QStringLiteral("open"), 0);
}

void frmBriskoAbout::paintEvent(QPaintEvent * /*event*/)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, background_);
}

bool frmBriskoAbout::eventFilter(QObject *watched, QEvent *event)
{
    // A click is a left press and release both on the link label.
    if (watched == lblVesk) {
        if (event->type() == QEvent::MouseButtonPress) {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            veskPressed_ = mouse->button() == Qt::LeftButton;
        } else if (event->type() == QEvent::MouseButtonRelease) {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            const bool click = veskPressed_ && mouse->button() == Qt::LeftButton &&
                               lblVesk->rect().contains(mouse->position().toPoint());
            veskPressed_ = false;
            if (click) {
                lblVesk_Click();
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

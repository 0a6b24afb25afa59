#include "SheetCommands.h"

#include "CalculationSheet.h"
#include "Dialogs.h"

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextDocument>

#include <memory>

namespace {
const QString kCopyTitle = QStringLiteral("Copy calculation");
const QString kPrintTitle = QStringLiteral("Print calculation sheet");
const QString kPdfTitle = QStringLiteral("Save calculation sheet as PDF");
const QString kEllipsis = QStringLiteral("\u2026");

// Letter where the user's locale measures in US units, A4 elsewhere.
QPageSize localPageSize()
{
    return QPageSize(QLocale().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter
                                                                                : QPageSize::A4);
}
} // namespace

SheetCommands::SheetCommands(QWidget *window, GaugePanel &panel, const PanelFields &fields,
                             Dialogs &dialogs, const QList<QWidget *> &column)
    : QObject(window), window_(window), panel_(panel), fields_(fields), dialogs_(dialogs),
      column_(column)
{
    menu_ = new QMenu(QStringLiteral("Calculation"), window);
    menu_->setObjectName(QStringLiteral("mnuCalculation"));
    const auto item = [&](const char *name, const QString &caption, const QKeySequence &keys,
                          void (SheetCommands::*run)()) {
        auto *action = new QAction(caption, menu_);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(keys);
        // Anywhere in the window, also where the menu is not open.
        action->setShortcutContext(Qt::WindowShortcut);
        window_->addAction(action);
        menu_->addAction(action);
        connect(action, &QAction::triggered, this, run);
        return action;
    };
    item("mnuCopyCalculation", kCopyTitle, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C),
         &SheetCommands::copyCalculation);
    item("mnuPrintCalculation", kPrintTitle + kEllipsis, QKeySequence(Qt::CTRL | Qt::Key_P),
         &SheetCommands::printCalculationSheet);
    item("mnuSaveCalculationPdf", kPdfTitle + kEllipsis,
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), &SheetCommands::saveCalculationSheetAsPdf);

    QStringList tip{QStringLiteral("Right-click here for the calculation sheet:")};
    for (const QAction *a : menu_->actions())
        tip << QStringLiteral("%1 (%2)").arg(a->text().remove(kEllipsis),
                                             a->shortcut().toString(QKeySequence::NativeText));
    for (QWidget *frame : column_) {
        frame->setToolTip(tip.join(QLatin1Char('\n')));
        frame->installEventFilter(this);
        // The text boxes keep their own menu; the sheet's commands are added at its end.
        for (QLineEdit *edit : frame->findChildren<QLineEdit *>())
            edit->installEventFilter(this);
    }
}

CalculationSheet SheetCommands::sheet() const
{
    return CalculationSheet(panel_.calculation(), fields_);
}

bool SheetCommands::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ContextMenu)
        return QObject::eventFilter(watched, event);
    const QPoint at = static_cast<QContextMenuEvent *>(event)->globalPos();
    if (auto *edit = qobject_cast<QLineEdit *>(watched)) {
        const std::unique_ptr<QMenu> menu(edit->createStandardContextMenu());
        menu->setObjectName(QStringLiteral("mnuCalculationEdit"));
        menu->addSeparator();
        menu->addActions(menu_->actions());
        dialogs_.popupMenu(menu.get(), at);
        return true;
    }
    // A frame, or a child that left the event to its frame (a label, an option button).
    dialogs_.popupMenu(menu_, at);
    return true;
}

void SheetCommands::copyCalculation()
{
    const CalculationSheet s = sheet();
    auto *data = new QMimeData;
    data->setHtml(s.document()->toHtml());
    data->setText(s.plainText());
    QGuiApplication::clipboard()->setMimeData(data);
}

void SheetCommands::printCalculationSheet()
{
    const CalculationSheet s = sheet();
    const auto doc = s.document();
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(s.title());
    printer.setCreator(CalculationSheet::programName());
    printer.setPageSize(localPageSize());
    if (!dialogs_.printDialog(window_, &printer))
        return;
    doc->print(&printer);
    if (printer.printerState() == QPrinter::Error)
        dialogs_.criticalMessage(
            window_,
            QStringLiteral("The calculation sheet could not be printed on \"%1\".")
                .arg(printer.outputFileName().isEmpty() ? printer.printerName()
                                                        : printer.outputFileName()),
            kPrintTitle);
}

void SheetCommands::saveCalculationSheetAsPdf()
{
    const CalculationSheet s = sheet();
    const auto doc = s.document();
    // The folder of the last sheet, else the user's documents, else home: one that exists.
    QString folder = pdfFolder_;
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    const QDateTime when = panel_.calculation().when;
    const QString suggested =
        QDir(folder).filePath(QStringLiteral("Flow calculation %1.pdf")
                                  .arg(when.toString(QStringLiteral("yyyy-MM-dd HHmmss"))));
    const QString path =
        dialogs_.saveFileName(window_, kPdfTitle, suggested, QStringLiteral("PDF files (*.pdf)"));
    if (path.isEmpty())
        return;
    const QString error = writePdf(*doc, path);
    if (!error.isEmpty()) {
        dialogs_.criticalMessage(window_, error, kPdfTitle);
        return;
    }
    pdfFolder_ = QFileInfo(path).absolutePath();
}

QString SheetCommands::writePdf(const QTextDocument &doc, const QString &path)
{
    const auto failed = [&](const QString &reason) {
        return QStringLiteral("The calculation sheet could not be saved as \"%1\": %2.")
            .arg(QDir::toNativeSeparators(path), reason);
    };
    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setTitle(doc.metaInformation(QTextDocument::DocumentTitle));
        writer.setCreator(CalculationSheet::programName());
        writer.setPageSize(localPageSize());
        // The document keeps margins of its own when it is printed.
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        doc.print(&writer);
    }
    if (pdf.isEmpty())
        return failed(QStringLiteral("no PDF was produced"));

    // The new file is written beside the old one and takes its place only when complete. A
    // short write (a full disk, a file size limit) is no error to QSaveFile, so every byte is
    // accounted for here: the write after a short one reports the reason.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failed(file.errorString());
    for (qint64 done = 0; done < pdf.size();) {
        const qint64 n = file.write(pdf.constData() + done, pdf.size() - done);
        if (n <= 0) {
            const QString reason = file.errorString();
            file.cancelWriting();
            return failed(reason);
        }
        done += n;
    }
    if (!file.commit())
        return failed(file.errorString());
    return {};
}

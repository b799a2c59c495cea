#include "shell/WidgetDialogs.h"

#include "link/Settings.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace {
QWidget *activeParent() { return QApplication::activeWindow(); }
// The group of the settings store that keeps the last folder per kind of file.
const QString kFoldersKey = QStringLiteral("Folders");
} // namespace

void WidgetDialogs::showMessage(const QString &text) { showMessage(text, QString()); }

void WidgetDialogs::showMessage(const QString &text, const QString &detail)
{
    if (ending_)
        return;
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok,
                    activeParent());
    // The text stays the system's own; the reason stands under it, where it is read without a
    // further click.
    if (!detail.isEmpty())
        box.setInformativeText(detail);
    box.exec();
}

Dialogs::LoseWorkAnswer WidgetDialogs::askBeforeLosingWork(const QString &text)
{
    if (ending_)
        return LoseWorkAnswer::Discard;
    QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(), text,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, activeParent());
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    const int answer = box.exec();
    // Cancelled because the program is ending: nobody is there to answer.
    if (ending_)
        return LoseWorkAnswer::Discard;
    switch (answer) {
    case QMessageBox::Save:
        return LoseWorkAnswer::Save;
    case QMessageBox::Discard:
        return LoseWorkAnswer::Discard;
    default:
        return LoseWorkAnswer::Cancel;
    }
}

QString WidgetDialogs::qtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString &caption = parts[i];
        const QString &patterns = parts[i + 1];
        // The dialog reads the patterns from the parentheses of the caption.
        if (caption.endsWith(QLatin1Char('(') + patterns + QLatin1Char(')')))
            filters.append(caption);
        else
            filters.append(caption + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return filters.join(QStringLiteral(";;"));
}

QString WidgetDialogs::firstExtension(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    if (parts.size() < 2)
        return {};
    const QString pattern = parts[1].section(QLatin1Char(';'), 0, 0).trimmed();
    return pattern.startsWith(QStringLiteral("*.")) && pattern.indexOf(QLatin1Char('*'), 1) < 0 ? pattern.mid(2)
                                                                                                  : QString();
}

QString WidgetDialogs::folderFor(const QString &extension)
{
    const QString folder = readSetting(kFoldersKey, extension.isEmpty() ? QStringLiteral("other") : extension);
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::currentPath();
}

void WidgetDialogs::rememberFolder(const QString &extension, const QString &chosenFile)
{
    writeSetting(kFoldersKey, extension.isEmpty() ? QStringLiteral("other") : extension,
                   QFileInfo(chosenFile).absolutePath());
}

QString WidgetDialogs::askOpenFile(const QString &filter)
{
    if (ending_)
        return {};
    QFileDialog dialog(activeParent(), QString(), folderFor(firstExtension(filter)), qtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // A name typed without its extension opens the file of the filter's kind.
    dialog.setDefaultSuffix(firstExtension(filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    rememberFolder(firstExtension(filter), dialog.selectedFiles().constFirst());
    return dialog.selectedFiles().constFirst();
}

QString WidgetDialogs::askSaveFile(const QString &filter, const QString &defaultExtension, const QString &suggestedName)
{
    if (ending_)
        return {};
    const QString folder = folderFor(defaultExtension);
    QFileDialog dialog(activeParent(), QString(), folder, qtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultExtension);
    // A file that exists is replaced only when the user confirms it.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (!suggestedName.isEmpty())
        dialog.selectFile(QDir(folder).filePath(suggestedName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    rememberFolder(defaultExtension, dialog.selectedFiles().constFirst());
    return dialog.selectedFiles().constFirst();
}

std::unique_ptr<QPrinter> WidgetDialogs::askPrinter()
{
    if (ending_)
        return nullptr;
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrintDialog dialog(printer.get(), activeParent());
    if (dialog.exec() != QDialog::Accepted)
        return nullptr;
    return printer;
}

void WidgetDialogs::endAll()
{
    ending_ = true;
    // Every modal dialog of the program, ours or a window's own (port settings, trigger set-up):
    // cancelled as the user's Escape would.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        auto *dialog = qobject_cast<QDialog *>(window);
        if (dialog && dialog->isVisible())
            dialog->reject();
    }
}

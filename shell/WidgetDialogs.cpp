#include "shell/WidgetDialogs.h"

#include "link/Settings.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace {
QWidget *ActiveParent() { return QApplication::activeWindow(); }
// The group of the settings store that keeps the last folder per kind of file.
const QString kFoldersKey = QStringLiteral("Folders");
} // namespace

void WidgetDialogs::ShowMessage(const QString &text) { ShowMessage(text, QString()); }

void WidgetDialogs::ShowMessage(const QString &text, const QString &detail)
{
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok,
                    ActiveParent());
    // The text stays the system's own; the reason stands under it, where it is read without a
    // further click.
    if (!detail.isEmpty())
        box.setInformativeText(detail);
    box.exec();
}

QString WidgetDialogs::QtFilter(const QString &filter)
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

QString WidgetDialogs::FirstExtension(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    if (parts.size() < 2)
        return {};
    const QString pattern = parts[1].section(QLatin1Char(';'), 0, 0).trimmed();
    return pattern.startsWith(QStringLiteral("*.")) && pattern.indexOf(QLatin1Char('*'), 1) < 0 ? pattern.mid(2)
                                                                                                  : QString();
}

QString WidgetDialogs::FolderFor(const QString &extension)
{
    const QString folder = RegReadString(kFoldersKey, extension.isEmpty() ? QStringLiteral("other") : extension);
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::currentPath();
}

void WidgetDialogs::RememberFolder(const QString &extension, const QString &chosenFile)
{
    RegWriteString(kFoldersKey, extension.isEmpty() ? QStringLiteral("other") : extension,
                   QFileInfo(chosenFile).absolutePath());
}

QString WidgetDialogs::AskOpenFile(const QString &filter)
{
    QFileDialog dialog(ActiveParent(), QString(), FolderFor(FirstExtension(filter)), QtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // A name typed without its extension opens the file of the filter's kind.
    dialog.setDefaultSuffix(FirstExtension(filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    RememberFolder(FirstExtension(filter), dialog.selectedFiles().constFirst());
    return dialog.selectedFiles().constFirst();
}

QString WidgetDialogs::AskSaveFile(const QString &filter, const QString &defaultExtension, const QString &suggestedName)
{
    const QString folder = FolderFor(defaultExtension);
    QFileDialog dialog(ActiveParent(), QString(), folder, QtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultExtension);
    // A file that exists is replaced only when the user confirms it.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (!suggestedName.isEmpty())
        dialog.selectFile(QDir(folder).filePath(suggestedName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    RememberFolder(defaultExtension, dialog.selectedFiles().constFirst());
    return dialog.selectedFiles().constFirst();
}

std::unique_ptr<QPrinter> WidgetDialogs::AskPrinter()
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrintDialog dialog(printer.get(), ActiveParent());
    if (dialog.exec() != QDialog::Accepted)
        return nullptr;
    return printer;
}

#include "shell/WidgetDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace {
QWidget *ActiveParent() { return QApplication::activeWindow(); }
} // namespace

void WidgetDialogs::ShowMessage(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok,
                    ActiveParent());
    box.exec();
}

QString WidgetDialogs::QtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters.append(parts[i] + QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')'));
    return filters.join(QStringLiteral(";;"));
}

QString WidgetDialogs::AskOpenFile(const QString &filter)
{
    return QFileDialog::getOpenFileName(ActiveParent(), QString(), QString(), QtFilter(filter));
}

QString WidgetDialogs::AskSaveFile(const QString &filter, const QString &defaultExtension)
{
    QFileDialog dialog(ActiveParent(), QString(), QString(), QtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultExtension);
    // Overwriting an existing file is not asked about: the system saves over it.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
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

#pragma once
// The port settings dialog: which COM port the link opens and how a trend pass reads its channels
// (both stored for later runs), and the wait before each trend sampling pass (for this run of the
// program only). Beside them, the serial
// devices of this machine, one of which can be given to the checked COM name, and the folder where
// the program keeps its files.

#include "program/Workspace.h"
#include "shell/SerialDevices.h"
#include "trend/model/ReadPlan.h"

#include <QDialog>
#include <array>

class QFileSystemWatcher;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class ReadModeChoice;

class PortSettingsDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPortCount = 9;

    PortSettingsDialog(Workspace &ws, QWidget *owner = nullptr, const SerialDeviceRoots &deviceRoots = {});

    // The button of port COMn, n = 1..9.
    QRadioButton *portButton(int number) const { return portButtons_[static_cast<std::size_t>(number - 1)]; }
    // The logical port name of button n (1..9); its caption only shows it.
    static QString portName(int number);

    // The device selected in the list (its path is the item's Qt::UserRole data) becomes the one
    // the checked COM name opens.
    void assignDeviceToCheckedPort();
    // The path typed in the field becomes the device of the checked COM name.
    void assignTypedPathToCheckedPort();
    QLineEdit *devicePathField() const { return devicePathField_; }

    QLineEdit *waitTimeField() const { return waitTimeField_; }
    QLabel *waitTimeHint() const { return waitTimeHint_; }
    QLabel *portDevice() const { return portDevice_; }
    QListWidget *deviceList() const { return deviceList_; }
    QPushButton *assignButton() const { return assignButton_; }
    QLabel *filesFolder() const { return filesFolder_; }
    QPushButton *okButton() const { return okButton_; }
    // The choice of the requests of a trend pass, stored beside the port, and the line under each.
    QRadioButton *readModeButton(readplan::ReadMode mode) const;
    QLabel *readModeHint(readplan::ReadMode mode) const;

protected:
    void closeEvent(QCloseEvent *event) override;
    void done(int result) override;
    // Enter in the device path field stores the path; it does not end the dialog.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // However the dialog ends, the checked port is stored and the wait time taken, once.
    void storeSettings();
    void showDeviceOfCheckedPort();
    QString checkedPortName() const;
    void refreshDeviceList();
    void watchDeviceFolders();
    void showWaitTimeHint();
    void enableAssignButton();

    Workspace &ws_;
    SerialDeviceRoots deviceRoots_;
    std::array<QRadioButton *, kPortCount> portButtons_{};
    QLineEdit *waitTimeField_ = nullptr;
    QLineEdit *devicePathField_ = nullptr;
    QLabel *portDevice_ = nullptr;
    QLabel *waitTimeHint_ = nullptr;
    QListWidget *deviceList_ = nullptr;
    QPushButton *assignButton_ = nullptr;
    QLabel *filesFolder_ = nullptr;
    QPushButton *okButton_ = nullptr;
    QFileSystemWatcher *deviceWatcher_ = nullptr;
    ReadModeChoice *readModes_ = nullptr;
    bool stored_ = false;
};

#pragma once
// The port settings dialog: which COM port the link opens (stored for later runs) and the wait
// before each trend sampling pass (for this run of the program only). Beside them, the serial
// devices of this machine, one of which can be given to the checked COM name, and the folder where
// the program keeps its files.

#include "catalogue/Workspace.h"
#include "shell/SerialDevices.h"

#include <QDialog>

class QFileSystemWatcher;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

// Shown beside "ms" while the wait time will be taken as 0.
inline const QString kWaitTimeTakenAsZero = QStringLiteral("not a whole number: taken as 0");
inline const QString kSerialDevicesCaption = QStringLiteral("Serial devices");
inline const QString kAssignCaption = QStringLiteral("Use for %1");
inline const QString kFilesCaption = QStringLiteral("Files: %1");

class TComSetForm : public QDialog {
    Q_OBJECT
public:
    TComSetForm(Workspace &ws, QWidget *owner = nullptr, const SerialDeviceRoots &deviceRoots = {});

    void FormCreate();
    void Button1Click();
    bool ComSetFormCloseQuery();

    QRadioButton *portButton(int i) const; // "RadioButton" + i, i = 1..9
    // The logical port name of RadioButton i (1..9); its caption only shows it.
    static QString PortName(int i);

    // The device selected in the list (its path is the item's Qt::UserRole data) becomes the one
    // the checked COM name opens.
    void AssignDeviceClick();

protected:
    void closeEvent(QCloseEvent *event) override;
    void done(int result) override;

private:
    void ShowDeviceOfCheckedPort();
    QString CheckedPortName() const;
    void RefreshDeviceList();
    void WatchDeviceFolders();
    void ShowWaitTimeHint();
    void EnableAssign();

    Workspace &ws_;
    SerialDeviceRoots deviceRoots_;
    QLineEdit *edit1_ = nullptr;
    QLabel *device_ = nullptr;
    QLabel *waitTimeHint_ = nullptr;
    QListWidget *devices_ = nullptr;
    QPushButton *assign_ = nullptr;
    QFileSystemWatcher *deviceWatcher_ = nullptr;
    bool stored_ = false;
};

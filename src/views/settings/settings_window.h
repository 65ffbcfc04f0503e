#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <qcoro/qcorotask.h>

#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSlider;

namespace vorn {

class ConnectionAccess;
class TaskStore;

// The preferences of the store in three groups ("AI", "Vorn", "Demon Mode").
// Every control writes straight into the store, which keeps the value; there
// is nothing to save. Also resets the boss, clears all tasks (after asking)
// and sets up the website-blocking helper.
class SettingsWindow : public QWidget {
    Q_OBJECT

public:
    // Whether the website-blocking helper is in place; asked once when the window is built.
    using HelperProbe = std::function<bool()>;

    // `connection` keeps the proxy settings; it must outlive the window.
    SettingsWindow(TaskStore& store, ConnectionAccess& connection, QWidget* parent = nullptr);
    SettingsWindow(TaskStore& store, ConnectionAccess& connection, HelperProbe probe,
                   QWidget* parent = nullptr);

    // "110%" for 1.1: the multiplier in percent, rounded to a whole number.
    static QString thresholdText(double multiplier);
    // The slider works in twentieths: 20 … 40 stands for 1.0 … 2.0.
    static constexpr int kSliderScale = 20;

    // Asks the website blocker to install its helper (the password dialog
    // comes from the system); the outcome shows under the status row.
    QCoro::Task<> installHelper();

    QLineEdit* modelField() const { return m_model; }
    QSlider* thresholdSlider() const { return m_threshold; }
    QLabel* thresholdLabel() const { return m_thresholdValue; }
    QPushButton* resetButton() const { return m_reset; }
    QPushButton* clearButton() const { return m_clear; }
    QCheckBox* speakSwitch() const { return m_speak; }
    QCheckBox* notificationsSwitch() const { return m_notify; }
    QCheckBox* autostartSwitch() const { return m_autostart; }
    // The login entry the autostart switch writes (default: the desktop
    // session's autostart folder).
    void setAutostartFile(const QString& path);
    QCheckBox* blockingSwitch() const { return m_blocking; }
    QLabel* helperStatus() const { return m_helperStatus; }
    QPushButton* setUpButton() const { return m_setUp; }
    QLabel* helperMessage() const { return m_helperMessage; }
    QPlainTextEdit* sitesEditor() const { return m_sites; }
    // Names the entries of the sites list that are no host names (and so are left out).
    QLabel* rejectedSites() const { return m_rejected; }
    // The open clear-all confirmation, if any.
    QMessageBox* clearConfirmation() const { return m_confirm; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyColours();
    QWidget* buildAiGroup();
    QWidget* buildVornGroup();
    QWidget* buildDemonGroup();
    void refreshFromStore();
    void refreshHelper();
    void askToClear();

    TaskStore& m_store;
    bool m_helperInstalled = false;
    bool m_installingHelper = false;
    std::optional<QString> m_helperText;

    QLineEdit* m_model = nullptr;
    QSlider* m_threshold = nullptr;
    QLabel* m_thresholdValue = nullptr;
    QPushButton* m_reset = nullptr;
    QPushButton* m_clear = nullptr;
    QCheckBox* m_speak = nullptr;
    QCheckBox* m_notify = nullptr;
    QCheckBox* m_autostart = nullptr;
    QLabel* m_autostartError = nullptr;
    QString m_autostartFile;
    QCheckBox* m_blocking = nullptr;
    QLabel* m_helperIcon = nullptr;
    QLabel* m_helperStatus = nullptr;
    QPushButton* m_setUp = nullptr;
    QLabel* m_helperMessage = nullptr;
    QPlainTextEdit* m_sites = nullptr;
    QLabel* m_rejected = nullptr;
    QPointer<QMessageBox> m_confirm;
};

} // namespace vorn

#include "views/settings/settings_window.h"

#include "model/site_list.h"
#include "platform/autostart.h"
#include "store/task_store.h"
#include "views/chat/chat_style.h"
#include "views/settings/connection_group.h"

#include <QCheckBox>
#include <QEvent>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

namespace vorn {

namespace {

QLabel* caption(const QString& text) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    label->setFont(font);
    label->setForegroundRole(QPalette::PlaceholderText); // follows a change of palette
    return label;
}

// Text in a tint of its own, made to read on the widget's `background` role.
void setTextColor(QWidget* widget, chat::Tint tint, QPalette::ColorRole background) {
    QPalette palette = widget->palette();
    const QColor color = chat::textColor(tint, palette, palette.color(background));
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::ButtonText, color);
    widget->setPalette(palette);
}

} // namespace

QString SettingsWindow::thresholdText(double multiplier) {
    return QString::asprintf("%.0f%%", multiplier * 100);
}

SettingsWindow::SettingsWindow(TaskStore& store, ConnectionAccess& connection, QWidget* parent)
    : SettingsWindow(
          store, connection, [&store] { return store.blocking().probeHelper(); }, parent) {}

SettingsWindow::SettingsWindow(TaskStore& store, ConnectionAccess& connection, HelperProbe probe,
                               QWidget* parent)
    : QWidget(parent, Qt::Window), m_store(store) {
    setObjectName(QStringLiteral("settingsWindow"));
    setWindowTitle(tr("Settings"));
    resize(480, 580);
    m_helperInstalled = probe && probe();

    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(14);
    column->addWidget(buildAiGroup());
    column->addWidget(buildVornGroup());
    column->addWidget(buildDemonGroup());
    column->addWidget(new ConnectionGroup(connection));
    column->addStretch();

    auto* scroll = new QScrollArea;
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The keyboard starts on the first field, not on the scrolling page
    // around the fields (which follows the focus as it goes down).
    scroll->setFocusPolicy(Qt::NoFocus);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
    // Every field takes effect as it changes: Escape and Ctrl+W close the
    // window as its title bar's button does, and lose nothing.
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);
    new QShortcut(QKeySequence::Close, this, this, &QWidget::close);

    connect(&store.settings(), &StorePreferences::openAIModelChanged, this,
            &SettingsWindow::refreshFromStore);
    connect(&store.settings(), &StorePreferences::lateThresholdMultiplierChanged, this,
            &SettingsWindow::refreshFromStore);
    connect(&store.settings(), &StorePreferences::demonWebsiteBlockingEnabledChanged, this,
            &SettingsWindow::refreshFromStore);
    connect(&store.settings(), &StorePreferences::speakMessagesChanged, this,
            &SettingsWindow::refreshFromStore);
    connect(&store.settings(), &StorePreferences::showNotificationsChanged, this,
            &SettingsWindow::refreshFromStore);
    connect(&store.settings(), &StorePreferences::blockedSitesTextChanged, this,
            &SettingsWindow::refreshFromStore);
    applyColours();
    refreshFromStore();
    refreshHelper();
    setAutostartFile(autostart::filePath());
}

void SettingsWindow::applyColours() {
    setTextColor(m_clear, chat::Tint::red, QPalette::Button);
    setTextColor(m_rejected, chat::Tint::orange, QPalette::Window);
}

void SettingsWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_rejected) {
        applyColours();
        refreshHelper(); // its shield is drawn in a tint
    }
}

QWidget* SettingsWindow::buildAiGroup() {
    auto* group = new QGroupBox(tr("AI"));
    m_model = new QLineEdit;
    m_model->setObjectName(QStringLiteral("modelField"));
    m_model->setPlaceholderText(QStringLiteral("gpt-4o-mini"));
    auto* form = new QFormLayout(group);
    form->addRow(tr("Model"), m_model);
    form->addRow(QString(), caption(tr("e.g. gpt-4o-mini, gpt-4o")));
    connect(m_model, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_store.settings().setOpenAIModel(text); });
    return group;
}

QWidget* SettingsWindow::buildVornGroup() {
    auto* group = new QGroupBox(QStringLiteral("Vorn"));
    m_threshold = new QSlider(Qt::Horizontal);
    m_threshold->setObjectName(QStringLiteral("lateThresholdSlider"));
    m_threshold->setRange(kSliderScale, 2 * kSliderScale);
    m_threshold->setSingleStep(1);
    m_threshold->setPageStep(2);
    m_threshold->setAccessibleName(tr("Late threshold"));
    m_thresholdValue = new QLabel;
    m_thresholdValue->setFixedWidth(44);
    m_thresholdValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_thresholdValue->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(tr("Late threshold")));
    row->addWidget(m_threshold, 1);
    row->addWidget(m_thresholdValue);

    m_speak = new QCheckBox(tr("Speak messages"));
    m_speak->setObjectName(QStringLiteral("speakMessagesSwitch"));
    m_notify = new QCheckBox(tr("Show notifications"));
    m_notify->setObjectName(QStringLiteral("showNotificationsSwitch"));
    m_autostart = new QCheckBox(tr("Start Vorn when I log in"));
    m_autostart->setObjectName(QStringLiteral("autostartSwitch"));
    m_autostartError = new QLabel;
    m_autostartError->setWordWrap(true);
    m_autostartError->hide();

    m_reset = new QPushButton(tr("Reset Vorn Mode"));
    m_clear = new QPushButton(tr("Clear All Tasks"));

    auto* column = new QVBoxLayout(group);
    column->addLayout(row);
    column->addWidget(caption(
        tr("Chat at this threshold, then Demon mode at 1.5×. Monitoring only while the app is open.")));
    column->addWidget(m_speak);
    column->addWidget(m_notify);
    column->addWidget(m_autostart);
    column->addWidget(m_autostartError);
    column->addWidget(m_reset, 0, Qt::AlignLeft);
    column->addWidget(
        caption(tr("Resets urgency to 0, 100% messianic mode, and sends a fresh welcome message.")));
    column->addWidget(m_clear, 0, Qt::AlignLeft);

    connect(m_threshold, &QSlider::valueChanged, this, [this](int value) {
        m_store.settings().setLateThresholdMultiplier(static_cast<double>(value) / kSliderScale);
    });
    connect(m_speak, &QCheckBox::toggled, this, [this](bool on) { m_store.settings().setSpeakMessages(on); });
    connect(m_notify, &QCheckBox::toggled, this,
            [this](bool on) { m_store.settings().setShowNotifications(on); });
    connect(m_autostart, &QCheckBox::toggled, this, [this](bool on) {
        const std::optional<QString> error = autostart::setEnabled(m_autostartFile, on);
        m_autostartError->setText(error.value_or(QString()));
        m_autostartError->setVisible(error.has_value());
        const QSignalBlocker quiet(m_autostart);
        m_autostart->setChecked(autostart::isEnabled(m_autostartFile));
    });
    connect(m_reset, &QPushButton::clicked, this, [this] { m_store.boss().resetBossAIState(); });
    connect(m_clear, &QPushButton::clicked, this, &SettingsWindow::askToClear);
    return group;
}

QWidget* SettingsWindow::buildDemonGroup() {
    auto* group = new QGroupBox(tr("Demon Mode"));
    m_blocking = new QCheckBox(tr("Block distracting sites in Demon Mode"));

    m_helperIcon = new QLabel;
    m_helperStatus = new QLabel;
    m_helperStatus->setObjectName(QStringLiteral("helperStatus"));
    m_setUp = new QPushButton(tr("Set Up Once"));
    m_setUp->setObjectName(QStringLiteral("setUpButton"));
    auto* status = new QHBoxLayout;
    status->addWidget(m_helperIcon);
    status->addWidget(m_helperStatus, 1);
    status->addWidget(m_setUp);
    m_helperMessage = new QLabel;
    m_helperMessage->setObjectName(QStringLiteral("helperMessage"));
    m_helperMessage->setWordWrap(true);
    m_helperMessage->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* sitesTitle = new QLabel(tr("Blocked sites (one per line)"));
    QFont heading = sitesTitle->font();
    heading.setBold(true);
    sitesTitle->setFont(heading);
    m_sites = new QPlainTextEdit;
    m_sites->setObjectName(QStringLiteral("blockedSitesEditor"));
    m_sites->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_sites->setFixedHeight(120);
    m_sites->setTabChangesFocus(true);
    m_sites->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_sites->setStyleSheet(QStringLiteral(
        "QPlainTextEdit { border: 1px solid rgba(128, 128, 128, 64); border-radius: 6px; padding: 2px; }"));

    m_rejected = caption(QString());
    m_rejected->setObjectName(QStringLiteral("rejectedSites"));
    m_rejected->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* column = new QVBoxLayout(group);
    column->addWidget(m_blocking);
    column->addLayout(status);
    column->addWidget(m_helperMessage);
    column->addSpacing(4);
    column->addWidget(sitesTitle);
    column->addWidget(m_sites);
    column->addWidget(m_rejected);
    column->addWidget(caption(
        tr("List a site both with and without \"www.\" (for example example.com and www.example.com). "
           "Setting up asks once for the administrator password; after that Demon mode blocks and unblocks "
           "the sites without asking.")));

    connect(m_blocking, &QCheckBox::toggled, this,
            [this](bool on) { m_store.settings().setDemonWebsiteBlockingEnabled(on); });
    connect(m_sites, &QPlainTextEdit::textChanged, this, [this] {
        if (m_store.settings().blockedSitesText() != m_sites->toPlainText())
            m_store.settings().setBlockedSitesText(m_sites->toPlainText());
    });
    connect(m_setUp, &QPushButton::clicked, this, [this] { installHelper(); });
    return group;
}

void SettingsWindow::setAutostartFile(const QString& path) {
    m_autostartFile = path;
    const QSignalBlocker quiet(m_autostart);
    m_autostart->setChecked(autostart::isEnabled(path));
}

void SettingsWindow::refreshFromStore() {
    if (m_model->text() != m_store.settings().openAIModel())
        m_model->setText(m_store.settings().openAIModel());
    {
        // Showing a stored value must not write it back rounded to the slider's steps.
        const QSignalBlocker quiet(m_threshold);
        m_threshold->setValue(
            static_cast<int>(std::lround(m_store.settings().lateThresholdMultiplier() * kSliderScale)));
    }
    m_thresholdValue->setText(thresholdText(m_store.settings().lateThresholdMultiplier()));
    {
        const QSignalBlocker quiet(m_speak);
        m_speak->setChecked(m_store.settings().speakMessages());
    }
    {
        const QSignalBlocker quiet(m_notify);
        m_notify->setChecked(m_store.settings().showNotifications());
    }
    {
        const QSignalBlocker quiet(m_blocking);
        m_blocking->setChecked(m_store.settings().demonWebsiteBlockingEnabled());
    }
    if (m_sites->toPlainText() != m_store.settings().blockedSitesText())
        m_sites->setPlainText(m_store.settings().blockedSitesText());
    const QStringList rejected = parseSiteList(m_store.settings().blockedSitesText()).rejected;
    m_rejected->setText(rejected.isEmpty()
                            ? QString()
                            : tr("Left out, not a host name: %1").arg(rejected.join(QStringLiteral(", "))));
    m_rejected->setVisible(!rejected.isEmpty());
}

void SettingsWindow::refreshHelper() {
    const chat::Tint tint = m_helperInstalled ? chat::Tint::green : chat::Tint::orange;
    m_helperIcon->setPixmap(chat::tintedIcon(m_helperInstalled ? QStringLiteral("settings-shield-ok")
                                                               : QStringLiteral("settings-shield-warning"),
                                             18, chat::tintColor(tint, palette()), devicePixelRatioF()));
    m_helperStatus->setText(m_helperInstalled ? tr("Website blocking ready")
                                              : tr("Website blocking not set up"));
    m_setUp->setVisible(!m_helperInstalled);
    m_setUp->setEnabled(!m_installingHelper);
    m_setUp->setText(m_installingHelper ? tr("Setting up…") : tr("Set Up Once"));
    m_helperMessage->setVisible(m_helperText.has_value());
    m_helperMessage->setText(m_helperText.value_or(QString()));
}

QCoro::Task<> SettingsWindow::installHelper() {
    if (m_installingHelper)
        co_return;
    m_installingHelper = true;
    m_helperText.reset();
    refreshHelper();

    const QPointer<SettingsWindow> self(this);
    const std::optional<QString> error = co_await m_store.blocking().installHelper();
    if (!self)
        co_return;
    if (!error) {
        m_helperInstalled = true;
        m_helperText = tr("Setup complete. Demon Mode won't ask for your password again.");
    } else {
        m_helperText = *error;
    }
    m_installingHelper = false;
    refreshHelper();
}

void SettingsWindow::askToClear() {
    if (m_confirm)
        return;
    auto* box = new QMessageBox(QMessageBox::Warning, tr("Clear all tasks?"),
                                tr("This removes your task list, paste text, and chat history. "
                                   "Settings are kept."),
                                QMessageBox::NoButton, this);
    box->setObjectName(QStringLiteral("clearConfirmation"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton* clear = box->addButton(tr("Clear All Tasks"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box->addButton(tr("Cancel"), QMessageBox::RejectRole);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    connect(box, &QMessageBox::buttonClicked, this, [this, clear](QAbstractButton* button) {
        if (button == clear)
            m_store.clearAllTasks();
    });
    m_confirm = box;
    box->open();
}

} // namespace vorn

#include "views/settings/connection_group.h"

#include "views/chat/chat_style.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <optional>

namespace vorn {

namespace {

QLabel* note(const QString& text = QString()) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

ConnectionGroup::ConnectionGroup(ConnectionAccess& access, QWidget* parent)
    : QGroupBox(QStringLiteral("Connection"), parent), m_access(access) {
    setObjectName(QStringLiteral("connectionGroup"));
    m_address = new QLineEdit;
    m_address->setObjectName(QStringLiteral("proxyAddressField"));
    m_address->setPlaceholderText(QStringLiteral("Built-in (vorn-proxy)"));
    m_token = new QLineEdit;
    m_token->setObjectName(QStringLiteral("proxyTokenField"));
    m_token->setEchoMode(QLineEdit::Password);
    m_token->setPlaceholderText(QStringLiteral("For a proxy at an address"));
    m_test = new QPushButton(QStringLiteral("Test connection"));
    m_test->setObjectName(QStringLiteral("testConnectionButton"));
    m_result = note();
    m_result->setObjectName(QStringLiteral("connectionResult"));
    m_notice = note();
    m_notice->setObjectName(QStringLiteral("connectionNotice"));
    m_notice->hide();

    QString hint =
        QStringLiteral("Empty: Vorn runs its own proxy. Changes take effect when Vorn next starts.");
    for (const QString& variable : m_access.overridingVariables())
        hint += QStringLiteral(" %1 is set and takes precedence.").arg(variable);
    auto* caption = note(hint);
    QFont small = caption->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    caption->setFont(small);
    QPalette muted = caption->palette();
    muted.setColor(QPalette::WindowText, muted.color(QPalette::PlaceholderText));
    caption->setPalette(muted);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Proxy address"), m_address);
    form->addRow(QStringLiteral("Token"), m_token);
    auto* testRow = new QHBoxLayout;
    testRow->addWidget(m_test, 0, Qt::AlignTop);
    testRow->addWidget(m_result, 1);
    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addWidget(m_notice);
    column->addLayout(testRow);
    column->addWidget(caption);

    m_address->setText(m_access.proxyAddress());
    loadToken();
    // Stored as typed, so closing the window loses nothing; a half-typed
    // address is complained about only once the field is left.
    connect(m_address, &QLineEdit::textEdited, this, [this] { storeAddress(false); });
    connect(m_address, &QLineEdit::editingFinished, this, [this] { storeAddress(true); });
    // The keyring is written once typing pauses, not at every keystroke.
    m_tokenTimer = new QTimer(this);
    m_tokenTimer->setSingleShot(true);
    m_tokenTimer->setInterval(500);
    connect(m_tokenTimer, &QTimer::timeout, this, [this] { storeToken(); });
    connect(m_token, &QLineEdit::textEdited, this, [this] {
        m_tokenEdited = true;
        m_tokenTimer->start();
    });
    connect(m_token, &QLineEdit::editingFinished, this, [this] {
        m_tokenTimer->stop();
        storeToken();
    });
    connect(m_test, &QPushButton::clicked, this, [this] { testConnection(); });
}

ConnectionGroup::~ConnectionGroup() {
    // The fields outlive this part of the object and say editingFinished as
    // they lose focus on the way out; nothing here may answer then.
    disconnect(m_address, nullptr, this, nullptr);
    disconnect(m_token, nullptr, this, nullptr);
    // A token typed just before the window closed is still kept; the save
    // needs nothing of this group.
    const QString token = m_token->text().trimmed();
    if (m_tokenEdited && token != m_savedToken)
        m_access.saveToken(token);
}

void ConnectionGroup::storeAddress(bool complain) {
    const QString address = m_address->text().trimmed();
    const std::optional<QString> problem =
        address.isEmpty() ? std::nullopt : m_access.addressProblem(address);
    // A bad address stays in the field to be mended; the stored one is kept meanwhile.
    if (complain || !problem) {
        m_notice->setText(problem.value_or(QString()));
        m_notice->setVisible(problem.has_value());
    }
    if (!problem)
        m_access.setProxyAddress(address);
}

QCoro::Task<> ConnectionGroup::loadToken() {
    const QPointer<ConnectionGroup> self(this);
    const QString token = co_await m_access.loadToken();
    if (!self || m_tokenEdited)
        co_return;
    m_savedToken = token;
    m_token->setText(token);
}

QCoro::Task<> ConnectionGroup::storeToken() {
    if (m_savingToken)
        co_return; // the running save picks up the latest text when it is done
    m_savingToken = true;
    const QPointer<ConnectionGroup> self(this);
    for (QString token = m_token->text().trimmed(); token != m_savedToken;
         token = m_token->text().trimmed()) {
        const bool inKeyring = co_await m_access.saveToken(token);
        if (!self)
            co_return;
        m_savedToken = token;
        m_notice->setVisible(!inKeyring);
        m_notice->setText(inKeyring ? QString()
                                    : QStringLiteral("No keyring is running; the token is kept in the "
                                                     "preference file."));
    }
    m_savingToken = false;
}

QCoro::Task<> ConnectionGroup::testConnection() {
    if (!m_test->isEnabled())
        co_return;
    const QString address = m_address->text().trimmed();
    const QString token = m_token->text().trimmed();
    if (const std::optional<QString> why = m_access.untestableReason(address, token)) {
        showResult({false, *why});
        co_return;
    }
    m_test->setEnabled(false);
    m_result->setPalette(palette());
    m_result->setText(QStringLiteral("Testing…"));
    const QPointer<ConnectionGroup> self(this);
    const HealthVerdict verdict = co_await m_access.testConnection(address, token);
    if (!self)
        co_return;
    m_test->setEnabled(true);
    showResult(verdict);
}

void ConnectionGroup::showResult(const HealthVerdict& verdict) {
    QPalette tinted = palette();
    tinted.setColor(QPalette::WindowText,
                    chat::tintColor(verdict.ok ? chat::Tint::green : chat::Tint::red, palette()));
    m_result->setPalette(tinted);
    m_result->setText(verdict.text);
}

} // namespace vorn

// vorn-proxy's configuration: the file, the flags, the environment, and what
// it refuses to run with.
#include "config.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vorn::proxy;

class ConfigTest : public QObject {
    Q_OBJECT
private slots:
    void configuration_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("problem"); // empty: loads and validates

        const auto row = [](const char* name, const QStringList& args, const QString& file,
                            const char* problem) {
            QTest::newRow(name) << args << QStringLiteral("tokens = a-token-for-tests\n") + file << problem;
        };
        row("defaults with a token", {}, {}, "");
        QTest::newRow("no token") << QStringList() << QString() << "no token configured";
        row("unknown key", {}, "colour = red\n", "unknown option \"colour\"");
        row("bad number", {}, "rate_limit_per_minute = many\n",
            "invalid value for \"rate_limit_per_minute\"");
        row("not key = value", {}, "listen\n", ":2: expected");
        row("public address without TLS", {"--listen", "0.0.0.0:8765"}, {}, "without TLS");
        row("public address, told so", {"--listen", "0.0.0.0:8765", "--insecure-http"}, {}, "");
        row("bad listen", {"--listen", "localhost"}, {}, "--listen expects");
        row("unknown flag", {"--verbose"}, {}, "unknown or incomplete option");
        row("key over plain HTTP", {},
            "chat_backend = openai\nopenai_base_url = http://models.example/v1\nopenai_key = k\n",
            "must use https");
        row("local model server without key", {},
            "chat_backend = openai\nopenai_base_url = http://127.0.0.1:11434/v1\n", "");
        row("fishaudio without key", {}, "voice_backend = fishaudio\n", "needs fishaudio_key");
    }

    void configuration() {
        QFETCH(QStringList, args);
        QFETCH(QString, file);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("vorn-proxy.conf"));
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file.toUtf8());
        out.close();
        std::vector<std::string> arguments = {"--config", path.toStdString()};
        for (const QString& arg : args)
            arguments.push_back(arg.toStdString());
        const LoadResult loaded =
            loadConfig(arguments, {}, [](const char*) -> std::optional<std::string> { return {}; });
        std::string message;
        if (loaded.error)
            message = loaded.error->message;
        else if (auto error = validate(*loaded.config))
            message = error->message;
        if (problem.isEmpty())
            QVERIFY2(message.empty(), message.c_str());
        else
            QVERIFY2(message.find(problem.toStdString()) != std::string::npos, message.c_str());
    }

    void environmentOverridesTheFile() {
        Config config;
        QVERIFY(!applyConfigText(config, "tokens = from-file\nopenai_key = file-key\n", "test"));
        applyEnvironment(config, [](const char* name) -> std::optional<std::string> {
            if (std::string(name) == "VORN_PROXY_TOKEN")
                return " one-token , two-token ";
            if (std::string(name) == "VORN_PROXY_OPENAI_KEY")
                return "env-key";
            return std::nullopt;
        });
        QCOMPARE(config.tokens, (std::vector<std::string>{"one-token", "two-token"}));
        QCOMPARE(config.openaiKey, std::string("env-key"));
        // A bad file changes nothing at all.
        QVERIFY(applyConfigText(config, "openai_key = other\nthreads = -1\n", "test"));
        QCOMPARE(config.openaiKey, std::string("env-key"));
    }
};

QTEST_GUILESS_MAIN(ConfigTest)
#include "config_test.moc"

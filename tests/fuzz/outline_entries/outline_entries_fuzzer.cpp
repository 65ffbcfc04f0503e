// The stored outline order is read back from a text column that any tool can
// have written: the reader must reject what it cannot use with an error, and
// what it accepts must survive a write and a second read unchanged.
#include "model/records.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace vorn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    // One UUID text: accepted only in the canonical form, read back as written.
    const QString text = QString::fromUtf8(bytes);
    if (const std::optional<QUuid> id = parseUuid(text)) {
        if (uuidText(*id) != text.toUpper())
            std::abort();
    }

    const auto entries = decodeOutlineEntries(bytes);
    if (!entries.ok())
        return 0;
    const QByteArray written = encodeOutlineEntries(entries.value());
    const auto again = decodeOutlineEntries(written);
    if (!again.ok() || again.value() != entries.value())
        std::abort();
    if (encodeOutlineEntries(again.value()) != written)
        std::abort();
    return 0;
}

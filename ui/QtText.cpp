#include "ui/QtText.h"

#include <QList>
#include <mutex>

#include "platform/CodePage.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace kivui {

QString FromProcessText(std::string_view text) {
    std::string utf8;
    if (!win::ProcessToUtf8(text, utf8)) {
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string ToProcessText(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    std::string out;
    if (win::Utf8ToProcess(std::string_view(utf8.constData(), utf8.size()), out)) {
        return out;
    }
    // Convert character by character so only the unrepresentable ones are lost.
    out.clear();
    for (const uint value : text.toUcs4()) {
        const char32_t codePoint = value;
        std::string piece;
        const QByteArray one = QString::fromUcs4(&codePoint, 1).toUtf8();
        out +=
            win::Utf8ToProcess(std::string_view(one.constData(), one.size()), piece) ? piece : "?";
    }
    return out;
}

QString LoadQString(unsigned id) {
    return FromProcessText(res::LoadString(id));
}

namespace {
std::mutex applicationNameLock;
std::string& ApplicationNameStore() {
    static std::string name;
    return name;
}
}  // namespace

void SetApplicationName(const std::string& name) {
    const std::lock_guard<std::mutex> hold(applicationNameLock);
    ApplicationNameStore() = name;
}

std::string ApplicationName() {
    {
        const std::lock_guard<std::mutex> hold(applicationNameLock);
        if (!ApplicationNameStore().empty()) {
            return ApplicationNameStore();
        }
    }
    return res::LoadString(textid::kProductName);
}

}  // namespace kivui

#include "platform/registry_store.h"

#include <QStringDecoder>

namespace zv {

RegistryKey::RegistryKey(QString name)
    : m_name(std::move(name))
{
}

const RegistryKey* RegistryKey::child(const QString& name) const
{
    for (const auto& c : m_children)
        if (c->m_name.compare(name, Qt::CaseInsensitive) == 0)
            return c.get();
    return nullptr;
}

RegistryKey* RegistryKey::child(const QString& name)
{
    return const_cast<RegistryKey*>(std::as_const(*this).child(name));
}

RegistryKey* RegistryKey::addChild(const QString& name)
{
    if (RegistryKey* existing = child(name))
        return existing;
    m_children.push_back(std::make_unique<RegistryKey>(name));
    return m_children.back().get();
}

QStringList RegistryKey::childNames() const
{
    QStringList names;
    for (const auto& c : m_children)
        names << c->m_name;
    return names;
}

const RegistryValue* RegistryKey::value(const QString& name) const
{
    for (const RegistryValue& v : m_values)
        if (v.name.compare(name, Qt::CaseInsensitive) == 0)
            return &v;
    return nullptr;
}

void RegistryKey::setValue(const QString& name, const QString& text)
{
    for (RegistryValue& v : m_values) {
        if (v.name.compare(name, Qt::CaseInsensitive) == 0) {
            v.text = text;
            return;
        }
    }
    m_values.push_back({name, text});
}

void RegistryKey::clear()
{
    m_children.clear();
    m_values.clear();
}

QStringList splitKeyPath(const QString& path)
{
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

RegistryStore::RegistryStore()
    : m_machine(QStringLiteral("HKEY_LOCAL_MACHINE"))
    , m_user(QStringLiteral("HKEY_CURRENT_USER"))
{
}

RegistryKey& RegistryStore::root(RootKey key)
{
    return key == RootKey::LocalMachine ? m_machine : m_user;
}

const RegistryKey& RegistryStore::root(RootKey key) const
{
    return key == RootKey::LocalMachine ? m_machine : m_user;
}

const RegistryKey* RegistryStore::findKey(RootKey rootKey, const QString& path) const
{
    const RegistryKey* key = &root(rootKey);
    for (const QString& part : splitKeyPath(path)) {
        key = key->child(part);
        if (!key)
            return nullptr;
    }
    return key;
}

RegistryKey* RegistryStore::createKey(RootKey rootKey, const QString& path)
{
    RegistryKey* key = &root(rootKey);
    for (const QString& part : splitKeyPath(path))
        key = key->addChild(part);
    return key;
}

void RegistryStore::setValue(RootKey rootKey, const QString& path, const QString& name,
                             const QString& text)
{
    createKey(rootKey, path)->setValue(name, text);
}

namespace {

// Joins lines continued with a trailing backslash (hex data) into one logical line.
QStringList logicalLines(const QString& text)
{
    QStringList out;
    QString current;
    bool continuing = false;
    const QStringList raw = text.split(QLatin1Char('\n'));
    for (QString line : raw) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (continuing)
            line = line.trimmed();
        current += line;
        // Only hex data lines continue; a quoted string ending in a backslash does not.
        const bool isHex = current.contains(QLatin1String("=hex"));
        if (isHex && current.endsWith(QLatin1Char('\\'))) {
            current.chop(1);
            continuing = true;
            continue;
        }
        out << current;
        current.clear();
        continuing = false;
    }
    if (!current.isEmpty())
        out << current;
    return out;
}

// Reads a quoted string starting at text[pos] == '"'. Handles the escapes
// \\ \" \n \r \t \0 and Wine's \xHHHH. Answers the position after the closing quote,
// or -1 when the string is not closed.
qsizetype readQuoted(const QString& text, qsizetype pos, QString* out)
{
    out->clear();
    qsizetype i = pos + 1;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('"'))
            return i + 1;
        if (c == QLatin1Char('\\') && i + 1 < text.size()) {
            const QChar e = text.at(i + 1);
            i += 2;
            switch (e.unicode()) {
            case 'n': *out += QLatin1Char('\n'); break;
            case 'r': *out += QLatin1Char('\r'); break;
            case 't': *out += QLatin1Char('\t'); break;
            case '0': *out += QChar(0); break;
            case 'x': {
                qsizetype j = i;
                uint code = 0;
                while (j < text.size() && j - i < 4 && isxdigit(text.at(j).toLatin1())) {
                    code = code * 16 + QString(text.at(j)).toUInt(nullptr, 16);
                    ++j;
                }
                if (j == i) {
                    *out += QLatin1Char('x');
                } else {
                    *out += QChar(char16_t(code));
                    i = j;
                }
                break;
            }
            default: *out += e; break;
            }
            continue;
        }
        *out += c;
        ++i;
    }
    return -1;
}

QByteArray hexBytes(const QString& list)
{
    QByteArray bytes;
    for (const QString& part : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const uint b = part.trimmed().toUInt(&ok, 16);
        if (!ok || b > 255)
            break;
        bytes.append(char(b));
    }
    return bytes;
}

// Text of a string held as bytes: UTF-16LE when `wide`, else Windows-1252.
QString bytesToText(QByteArray bytes, bool wide)
{
    if (wide) {
        QString s = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()),
                                       bytes.size() / 2);
        const qsizetype nul = s.indexOf(QChar(0));
        return nul >= 0 ? s.left(nul) : s;
    }
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    QStringDecoder dec("windows-1252");
    return dec.isValid() ? QString(dec(bytes)) : QString::fromLatin1(bytes);
}

// Parses `"name"=data` or `@=data`; answers false for anything else.
bool parseValueLine(const QString& line, bool wideStrings, QString* name, QString* text)
{
    qsizetype pos = 0;
    if (line.startsWith(QLatin1Char('@'))) {
        name->clear();
        pos = 1;
    } else if (line.startsWith(QLatin1Char('"'))) {
        pos = readQuoted(line, 0, name);
        if (pos < 0)
            return false;
    } else {
        return false;
    }
    if (pos >= line.size() || line.at(pos) != QLatin1Char('='))
        return false;
    const QString data = line.mid(pos + 1).trimmed();
    if (data.startsWith(QLatin1Char('"'))) {
        return readQuoted(data, 0, text) >= 0;
    }
    if (data.startsWith(QLatin1String("str("))) {
        const qsizetype q = data.indexOf(QLatin1Char('"'));
        if (q < 0 || readQuoted(data, q, text) < 0)
            return false;
        if (data.startsWith(QLatin1String("str(7)")))
            text->replace(QChar(0), QLatin1Char('\n'));
        return true;
    }
    if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        bool ok = false;
        const quint32 n = data.mid(6).trimmed().toUInt(&ok, 16);
        if (!ok)
            return false;
        *text = QString::number(n);
        return true;
    }
    if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
        const qsizetype colon = data.indexOf(QLatin1Char(':'));
        if (colon < 0)
            return false;
        const QString kind = data.left(colon).toLower();
        const QByteArray bytes = hexBytes(data.mid(colon + 1));
        if (kind == QLatin1String("hex(2)") || kind == QLatin1String("hex(1)")
            || kind == QLatin1String("hex(7)")) {
            *text = bytesToText(bytes, wideStrings);
        } else if (kind == QLatin1String("hex(4)") && bytes.size() >= 4) {
            const quint32 n = quint8(bytes[0]) | quint8(bytes[1]) << 8 | quint8(bytes[2]) << 16
                              | quint32(quint8(bytes[3])) << 24;
            *text = QString::number(n);
        } else {
            *text = QString::fromLatin1(bytes.toHex());
        }
        return true;
    }
    return false;
}

QString decodeFile(const QByteArray& bytes)
{
    if (bytes.startsWith("\xFF\xFE")) // REGEDIT5 files are UTF-16LE with a mark
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                                  (bytes.size() - 2) / 2);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString s = utf8(bytes);
    if (!utf8.hasError())
        return s.startsWith(QChar(0xFEFF)) ? s.mid(1) : s;
    QStringDecoder cp("windows-1252");
    return cp.isValid() ? QString(cp(bytes)) : QString::fromLatin1(bytes);
}

} // namespace

bool RegistryStore::loadRegedit(const QByteArray& bytes, QString* error)
{
    const QString text = decodeFile(bytes);
    const QStringList lines = logicalLines(text);
    qsizetype first = 0;
    while (first < lines.size() && lines[first].trimmed().isEmpty())
        ++first;
    if (first >= lines.size()) {
        if (error)
            *error = QStringLiteral("empty registry file");
        return false;
    }
    const QString header = lines[first].trimmed();
    const bool v4 = header == QLatin1String("REGEDIT4");
    const bool v5 = header == QLatin1String("Windows Registry Editor Version 5.00");
    if (!v4 && !v5) {
        if (error)
            *error = QStringLiteral("not a registry export: '%1'").arg(header.left(60));
        return false;
    }
    RegistryKey* current = nullptr;
    for (qsizetype i = first + 1; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            current = nullptr;
            const qsizetype close = line.lastIndexOf(QLatin1Char(']'));
            if (close < 0 || line.startsWith(QLatin1String("[-")))
                continue;
            const QString path = line.mid(1, close - 1);
            QStringList parts = splitKeyPath(path);
            if (parts.isEmpty())
                continue;
            const QString rootName = parts.takeFirst().toUpper();
            RootKey rk;
            if (rootName == QLatin1String("HKEY_LOCAL_MACHINE") || rootName == QLatin1String("HKLM"))
                rk = RootKey::LocalMachine;
            else if (rootName == QLatin1String("HKEY_CURRENT_USER") || rootName == QLatin1String("HKCU"))
                rk = RootKey::CurrentUser;
            else
                continue;
            current = createKey(rk, parts.join(QLatin1Char('\\')));
            continue;
        }
        if (!current)
            continue;
        QString name, value;
        if (parseValueLine(line, v5, &name, &value))
            current->setValue(name, value);
    }
    return true;
}

bool RegistryStore::loadWine(const QByteArray& bytes, RootKey rootKey, QString* error)
{
    const QString text = decodeFile(bytes);
    const QStringList lines = logicalLines(text);
    if (lines.isEmpty() || !lines.first().startsWith(QLatin1String("WINE REGISTRY Version"))) {
        if (error)
            *error = QStringLiteral("not a Wine registry file");
        return false;
    }
    RegistryKey* current = nullptr;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            current = nullptr;
            const qsizetype close = line.indexOf(QLatin1Char(']'));
            if (close < 0)
                continue;
            // Key names escape their backslashes: [Software\\Netscape\\Navigator]
            QString path = line.mid(1, close - 1);
            path.replace(QLatin1String("\\\\"), QLatin1String("\\"));
            current = createKey(rootKey, path);
            continue;
        }
        if (!current)
            continue;
        QString name, value;
        if (parseValueLine(line, true, &name, &value))
            current->setValue(name, value);
    }
    return true;
}

} // namespace zv

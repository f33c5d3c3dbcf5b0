#include "settings/shrinkwell.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QTextStream>

namespace {

bool isstart(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '_';
}

// Kept to ASCII: every XML parser agrees on these, whatever edition of the
// name rules it follows.
bool isname(QChar c) {
    const char16_t u = c.unicode();
    return isstart(c) || (u >= '0' && u <= '9') || u == '-' || u == '.';
}

int hexvalue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

// The code unit of an _xHHHH_ sequence at s[i], or -1.
int escapeat(const QString& s, qsizetype i) {
    if (i + 7 > s.size() || s[i] != QLatin1Char('_') || s[i + 1] != QLatin1Char('x') || s[i + 6] != QLatin1Char('_'))
        return -1;
    int v = 0;
    for (int k = 2; k < 6; ++k) {
        const int h = hexvalue(s[i + k]);
        if (h < 0) return -1;
        v = v * 16 + h;
    }
    return v;
}

QString escape(QChar c) {
    return QStringLiteral("_x") + QString::number(int(c.unicode()), 16).rightJustified(4, QLatin1Char('0')).toUpper() +
           QLatin1Char('_');
}

}  // namespace

QShrinkwell::QShrinkwell(const QString& path) : m_path(path) {
    static_assert(BUILTIN_COUNT == PRESET_COUNT);
    for (int i = 0; i < BUILTIN_COUNT; ++i) {
        QSWFInfo& r = m_builtin[i];
        r.owner = this;
        r.name = QString::fromLatin1(presets[i].name);
        r.isDelete = 0;
        r.setParams(presets[i].params);
        // Built-in records carry no kind choice of their own.
        for (int k = 0; k < RES_COUNT; ++k) r.setKindChecked(TResType(k), false);
    }
    LoadFromFile(path);
}

QShrinkwell::~QShrinkwell() { qDeleteAll(m_custom); }

QSWFInfo* QShrinkwell::getBuiltinItem(int i) { return i >= 0 && i < BUILTIN_COUNT ? &m_builtin[i] : nullptr; }

void QShrinkwell::LoadFromFile(const QString& path) {
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly)) return;
    QDomDocument doc;
    // A file that does not parse leaves what parsed (nothing) and says nothing.
    if (!doc.setContent(&file, true)) return;
    const QDomElement root = doc.documentElement();
    for (QDomNode n = root.firstChild(); !n.isNull(); n = n.nextSibling()) {
        const QDomElement e = n.toElement();
        if (e.isNull()) continue;
        if (e.tagName() == QLatin1String("SWFinfo")) {
            for (QDomElement rec = e.firstChildElement(); !rec.isNull(); rec = rec.nextSiblingElement()) {
                QSWFInfo* r = addCustom(decodeElementName(rec.tagName()));
                const QDomElement del = rec.firstChildElement(QStringLiteral("isDelete"));
                r->isDelete = del.text().trimmed().toInt();
                for (int i = 0; i < RECORD_FIELD_COUNT; ++i) {
                    if (!(paramfields[i].flags & FIELD_STORED)) continue;
                    const QDomElement f = rec.firstChildElement(QLatin1String(QSWFInfo::fieldName(i)));
                    r->setField(i, f.text().trimmed().toInt());
                }
            }
        } else if (e.tagName() == QLatin1String("other")) {
            m_swfPath = e.firstChildElement(QStringLiteral("SWFpath")).text();
            m_cmbIndex = e.firstChildElement(QStringLiteral("CmbIndex")).text().trimmed().toInt();
        }
    }
}

void QShrinkwell::SaveToFile(const QString& path) const {
    QDomDocument doc;
    doc.appendChild(doc.createProcessingInstruction(QStringLiteral("xml"),
                                                    QStringLiteral(" version=\"1.0\" encoding=\"UTF-8\" ")));
    QDomElement root = doc.createElement(QStringLiteral("info"));
    root.setAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    doc.appendChild(root);

    auto child = [&doc](QDomElement& parent, const QString& name, const QString& text) {
        QDomElement e = doc.createElement(name);
        e.appendChild(doc.createTextNode(text));
        parent.appendChild(e);
    };

    QDomElement records = doc.createElement(QStringLiteral("SWFinfo"));
    root.appendChild(records);
    for (const QSWFInfo* r : m_custom) {
        QDomElement rec = doc.createElement(encodeElementName(r->name));
        child(rec, QStringLiteral("isDelete"), QString::number(r->isDelete));
        for (int i = 0; i < RECORD_FIELD_COUNT; ++i)
            if (paramfields[i].flags & FIELD_STORED)
                child(rec, QLatin1String(QSWFInfo::fieldName(i)), QString::number(r->field(i)));
        records.appendChild(rec);
    }
    QDomElement other = doc.createElement(QStringLiteral("other"));
    root.appendChild(other);
    child(other, QStringLiteral("SWFpath"), m_swfPath);
    child(other, QStringLiteral("CmbIndex"), QString::number(m_cmbIndex));

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) return;
    QTextStream out(&file);
    out.setEncoding(QStringConverter::Utf8);
    doc.save(out, 3);
}

void QShrinkwell::Save() const { SaveToFile(m_path); }

QSWFInfo* QShrinkwell::addCustom(const QString& name, QSWFInfo* r) {
    if (!r) r = new QSWFInfo;
    r->owner = this;
    r->name = name;
    r->isDelete = 1;
    if (!m_custom.contains(r)) m_custom.append(r);
    return r;
}

void QShrinkwell::CustomRemove(QSWFInfo* r) {
    if (m_custom.removeOne(r)) delete r;
}

void QShrinkwell::CustomRemove(int i) {
    if (i >= 0 && i < m_custom.size()) delete m_custom.takeAt(i);
}

QSWFInfo* QShrinkwell::getCustomItem(int i) const { return i >= 0 && i < m_custom.size() ? m_custom.at(i) : nullptr; }

void QShrinkwell::CopySWFInfo(const QSWFInfo* src, QSWFInfo* dst) {
    if (!src || !dst || src == dst) return;
    dst->owner = src->owner;
    dst->name = src->name;
    dst->isDelete = src->isDelete;
    for (int i = 0; i < RECORD_FIELD_COUNT; ++i) dst->setField(i, src->field(i));
}

void QShrinkwell::setSWFPath(const QString& folder) { m_swfPath = folder + QDir::separator(); }

void QShrinkwell::getSWFInfo(void* info, Tparams& params) {
    const auto* r = static_cast<const QSWFInfo*>(info);
    if (!r) return;
    for (int i = 0; i < FIELD_COUNT; ++i) params.*paramfields[i].member = r->field(i);
}

bool QShrinkwell::isValidName(const QString& name) { return !name.trimmed().isEmpty(); }

QString QShrinkwell::encodeElementName(const QString& name) {
    if (name.isEmpty()) return QStringLiteral("_");
    QString out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        const bool ok = i == 0 ? isstart(c) : isname(c);
        // A literal "_xHHHH_" would read back as an escape: its '_' is escaped itself.
        if (!ok || (c == QLatin1Char('_') && escapeat(name, i) >= 0)) out += escape(c);
        else out += c;
    }
    return out;
}

QString QShrinkwell::decodeElementName(const QString& element) {
    QString out;
    out.reserve(element.size());
    for (qsizetype i = 0; i < element.size();) {
        const int v = escapeat(element, i);
        if (v >= 0) {
            out += QChar(char16_t(v));
            i += 7;
        } else {
            out += element[i++];
        }
    }
    return out;
}

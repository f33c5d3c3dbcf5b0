// The settings collection: the built-in presets and the user's own records,
// kept in "custom.xml".
#pragma once
#include <QList>
#include <QString>

#include "settings/swfinfo.h"

class QShrinkwell {
public:
    // Builds the built-in records, then loads path.
    explicit QShrinkwell(const QString& path);
    ~QShrinkwell();
    QShrinkwell(const QShrinkwell&) = delete;
    QShrinkwell& operator=(const QShrinkwell&) = delete;

    static constexpr int BUILTIN_COUNT = 6;
    // "Best", "Good", "Basic", "Medium", "Sprite", "Custom".
    QSWFInfo* getBuiltinItem(int i);
    int BuiltinCount() const { return BUILTIN_COUNT; }

    void LoadFromFile(const QString& path);
    // Writes nothing (and says nothing) when the file cannot be opened.
    void SaveToFile(const QString& path) const;
    void Save() const;

    // Appends r (a new record when null) named name with isDelete 1; the
    // collection owns it.
    QSWFInfo* addCustom(const QString& name, QSWFInfo* r = nullptr);
    // Removes from the list and deletes the record.
    void CustomRemove(QSWFInfo* r);
    void CustomRemove(int i);
    int CustomCount() const { return int(m_custom.size()); }
    QSWFInfo* getCustomItem(int i) const;

    // Copies owner, name, isDelete and fields 0-33; dst keeps its kind flags
    // and per-kind values.
    static void CopySWFInfo(const QSWFInfo* src, QSWFInfo* dst);

    void setSWFPath(const QString& folder);
    QString getSWFPath() const { return m_swfPath; }
    void setCmbIndex(int i) { m_cmbIndex = i; }
    int getCmbIndex() const { return m_cmbIndex; }

    // All 40 fields one to one; nothing when info is null.
    static void getSWFInfo(void* info, Tparams& params);

    // A name the user may save settings under: not empty after trimming.
    static bool isValidName(const QString& name);
    // Record names become element names of "custom.xml": characters an XML
    // element name cannot hold are written as _xHHHH_ (and a '_' that would
    // start such a sequence as _x005F_), so that every name reads back intact.
    static QString encodeElementName(const QString& name);
    static QString decodeElementName(const QString& element);

private:
    QSWFInfo m_builtin[BUILTIN_COUNT];
    QString m_swfPath;
    QString m_path;
    int m_cmbIndex = 0;
    QList<QSWFInfo*> m_custom;
};

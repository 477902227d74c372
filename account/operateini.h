// OperateIni: reads and writes keys of one ini file (text codec UTF-8).
//
// An absent key reads as "NULL"; an accessor that was never opened reads "key error or unInit
// obj" and ignores writes. The file is shared: every request object, in whichever thread, has
// its own accessor on the settings file, a login rewrites it and a log-out deletes it. So no
// parsed copy is kept between calls: every read parses the file as it is now, and every write
// replaces the file whole (IniFile), never leaving it half-written. Reading never creates it.
#pragma once

#include <QObject>
#include <QString>

class OperateIni : public QObject {
    Q_OBJECT
public:
    explicit OperateIni(QObject* parent = nullptr);

    // From now on reads and writes go to `path`; replaces any earlier file. Creates nothing.
    void open(const QString& path);
    bool isOpen() const { return m_open; }
    QString fileName() const { return m_path; }

    // "/SECTION/key" or "SECTION/key". "NULL" for an absent key or an unreadable file.
    QString value(const QString& key) const;
    // Stores the value, creating the file and its folder when missing. False when unopened or
    // when the file could not be written (it then keeps its old content).
    bool setValue(const QString& key, const QString& value);

private:
    QString m_path;
    bool m_open = false;
};

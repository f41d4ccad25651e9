#pragma once

// The program remembers the eight owner and insurance fields and the item list between runs, as
// string values under application "Quillane", section "Stowfolio". Windows reach the store only
// through SettingsStore so that tests can hand them a store of their own.

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace stowfolio {

// The keys of the owner and insurance fields are the names of their text boxes.
inline const QStringList kOwnerFieldKeys = {
    QStringLiteral("txtName"),     QStringLiteral("txtLocation"),   QStringLiteral("txtCity"),
    QStringLiteral("txtPhone"),    QStringLiteral("txtInsCompany"), QStringLiteral("txtAgent"),
    QStringLiteral("txtInsPhone"), QStringLiteral("txtPolNo")};
inline const QString kItemsKey = QStringLiteral("Items");

class SettingsStore
{
public:
    virtual ~SettingsStore() = default;

    // The stored text, or `defaultValue` when the key is absent.
    virtual QString read(const QString& key, const QString& defaultValue) const = 0;
    // Creates or overwrites the value and stores it at once, together with any earlier value
    // that could not be stored. Throws std::runtime_error saying why when it cannot be stored;
    // the value is then still held, and the next write tries again.
    virtual void write(const QString& key, const QString& value) = 0;
    // True while a value written is not yet on disk because its write failed.
    virtual bool hasUnsavedChanges() const = 0;
};

// The per-user INI file $XDG_CONFIG_HOME/Quillane/Quillane.ini, group "Stowfolio".
//
// QSettings reads the file once, at start; from then on the store holds every key of the file and
// rewrites the whole file on each write through an atomic, checked write, so a full disk, a
// read-only folder or a killed process leaves the file already on disk whole. A file that cannot
// be read or parsed is moved aside (never overwritten) and the program starts from the defaults;
// openingProblem() then says what happened, for the caller to tell the user once.
class IniSettingsStore : public SettingsStore
{
public:
    IniSettingsStore();
    // A store over an explicit file, for tools and tests.
    explicit IniSettingsStore(const QString& filePath);
    ~IniSettingsStore() override;

    QString read(const QString& key, const QString& defaultValue) const override;
    void write(const QString& key, const QString& value) override;
    bool hasUnsavedChanges() const override { return m_unsaved; }

    QString filePath() const;
    // Empty unless the file found at start could not be used.
    QString openingProblem() const { return m_openingProblem; }

private:
    void open(const QString& filePath);
    void setAsideUnusableFile(const QString& filePath, const QString& reason);

    void saveFile();

    QString m_filePath;
    // Every key of the file as QSettings names and reads it ("Stowfolio/txtName"), with the
    // values written since: what the file holds once the last write has succeeded.
    QMap<QString, QVariant> m_values;
    QString m_openingProblem;
    // True while an unusable file could not be moved aside: reads give the defaults and writes
    // fail rather than overwrite it.
    bool m_unusableFileInPlace = false;
    bool m_unsaved = false;
};

// Where the per-user store keeps its file.
QString defaultSettingsFilePath();

} // namespace stowfolio

#pragma once

// The program remembers the eight owner and insurance fields and the item list between runs, as
// string values under application "Quillane", section "Stowfolio". Windows reach the store only
// through SettingsStore so that tests can hand them a store of their own.

#include <QString>
#include <QStringList>

#include <memory>

class QSettings;

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
    // Creates or overwrites the value; throws std::runtime_error when it cannot be stored.
    virtual void write(const QString& key, const QString& value) = 0;
};

// The per-user INI file $XDG_CONFIG_HOME/Quillane/Quillane.ini, group "Stowfolio".
//
// Every write is synced at once, and QSettings replaces the file atomically, so a killed process
// loses nothing already written and never leaves half a file behind. A file that cannot be read
// or parsed is moved aside (never overwritten) and the program starts from the defaults;
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

    QString filePath() const;
    // Empty unless the file found at start could not be used.
    QString openingProblem() const { return m_openingProblem; }

private:
    void open(const QString& filePath);
    void setAsideUnusableFile(const QString& filePath, const QString& reason);

    QString m_filePath;
    // Null while an unusable file could not be moved aside: reads give the defaults and
    // writes fail rather than overwrite it.
    std::unique_ptr<QSettings> m_settings;
    QString m_openingProblem;
    bool m_unusableFileInPlace = false;
};

// Where the per-user store keeps its file.
QString defaultSettingsFilePath();

} // namespace stowfolio

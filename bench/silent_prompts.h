#pragma once

// Prompts for benchmarks: nothing in a timed run should ask anything, so every question is
// answered No, every dialog cancelled, and messages are counted (and printed, as they point to
// something gone wrong).

#include "platform/prompts.h"

#include <cstdio>

namespace stowfolio::bench {

class SilentPrompts : public Prompts
{
public:
    void showMessage(const QString& text, const QString&, MessageIcon) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        ++shown;
    }
    bool askYesNo(const QString&, const QString&, DefaultAnswer) override { return false; }
    bool confirmTable(const QString&, const QString&, const QStringList&, const QList<QStringList>&,
                      const QString&) override
    {
        return confirmTables;
    }
    bool choosePrinter(QPrinter&) override { return false; }
    std::optional<std::pair<int, QString>> chooseFieldText(const QString&, const QString&,
                                                           const QStringList&, int) override
    {
        return std::nullopt;
    }
    std::optional<QString> askPassword(const QString&, const QString&) override
    {
        return std::nullopt;
    }
    std::optional<QList<int>> chooseOptions(const QString&, const QString&,
                                            const QList<PromptChoice>&) override
    {
        return std::nullopt;
    }
    QString openFileName(const QString&, const QString&, const QString& = QString()) override
    {
        return {};
    }
    QString saveFileName(const QString&, const QString&) override { return savePath; }
    QStringList openFileNames(const QString&, const QString&, const QString&) override
    {
        return {};
    }
    int shown = 0;
    bool confirmTables = false; // the answer to every preview (an import's)
    QString savePath;           // the answer to every Save dialog
};

} // namespace stowfolio::bench

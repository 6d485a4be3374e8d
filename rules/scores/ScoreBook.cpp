// Loading and saving the score table of the run.
#include "rules/scores/ScoreBook.h"

#include "rules/scores/StoredTable.h"

#include <QLockFile>

ScoreBook::Change ScoreBook::entering(const QString &name, qint16 score) {
    return [name, score](ScoreTable &table) {
        if (table.isRecord(score))
            table.insert(name, score);
    };
}

ScoreBook::Load ScoreBook::load() {
    const std::optional<QString> stored = m_store.read();
    if (!stored) {
        // Nothing of it is known, so nothing may be written over it.
        m_lastSaveFailed = true;
        return Load::Unavailable;
    }
    if (const std::optional<ScoreTable> table = StoredTable::decode(*stored)) {
        m_table = *table;
        for (const Change &change : m_unsaved)
            change(m_table);
        return Load::Loaded;
    }
    if (m_lastSaveFailed)
        return Load::Unavailable;
    m_table.clear();
    save();
    return Load::Damaged;
}

bool ScoreBook::storedTableDamaged() const {
    if (m_lastSaveFailed)
        return false; // load() keeps the run's table and says Unavailable
    const std::optional<QString> stored = m_store.read();
    return stored && !StoredTable::decode(*stored);
}

bool ScoreBook::save() {
    m_lastSaveFailed = !m_store.write(StoredTable::encode(m_table));
    if (!m_lastSaveFailed)
        m_unsaved.clear();
    return !m_lastSaveFailed;
}

ScoreBook::Load ScoreBook::update(const Change &change, bool reloadFirst) {
    const std::unique_ptr<QLockFile> held = m_store.lock();
    const Load loaded = reloadFirst ? load() : Load::Loaded;
    change(m_table);
    if (!save())
        m_unsaved.push_back(change);
    return loaded;
}

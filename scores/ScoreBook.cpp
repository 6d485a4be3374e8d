// Loading and saving the score table of the run.
#include "ScoreBook.h"

#include "StoredTable.h"

ScoreBook::Load ScoreBook::load() {
    if (const std::optional<TabulkaSkore> stored = StoredTable::decode(m_store.read())) {
        m_table = *stored;
        return Load::Loaded;
    }
    m_table.SmazSkore();
    save();
    return Load::Damaged;
}

bool ScoreBook::save() {
    m_lastSaveFailed = !m_store.write(StoredTable::encode(m_table));
    return !m_lastSaveFailed;
}

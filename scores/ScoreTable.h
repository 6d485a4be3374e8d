// The table of the five best results, shared by the game, the windows and the store.
#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <array>

// One place in the table. The score is kept as the text the player sees and
// the store keeps: the decimal text of a 16-bit result, or empty while the
// place is free.
struct ScoreEntry {
    QString name;
    QString score;

    bool isFree() const { return score.isEmpty(); }
    bool operator==(const ScoreEntry &) const = default;
};

class ScoreTable {
public:
    static constexpr int kEntries = 5;
    // The longest name typed into this game. Five such names, five score
    // texts of up to six characters and nine separators still fit in the
    // stored form. Longer names come only from tables the earlier game wrote.
    static constexpr int kMaxNameLength = 29;

    // Whether the stored table keeps the name exactly as typed: at most
    // kMaxNameLength characters, each with a Windows-1250 code, and no ";",
    // which separates the stored fields, no control characters and no format characters.
    static bool isStorableName(QStringView name);

    // Place 0 is the best. i must be 0..kEntries-1.
    const ScoreEntry &entry(int i) const;
    void setEntry(int i, ScoreEntry e);

    // Frees all five places.
    void clear();

    // Puts a result in at its rank: above every lower score, below every
    // older result with an equal or higher one. The fifth place drops out.
    void insert(const QString &name, qint16 score);

    // Whether the result earns a place: a positive score that beats the
    // fifth place, or any positive score while the fifth place is free.
    bool isRecord(qint16 score) const;

    // The best score as stored (empty while the table is empty).
    QString bestScoreText() const;

    bool operator==(const ScoreTable &) const = default;

private:
    std::array<ScoreEntry, kEntries> m_entries;
};

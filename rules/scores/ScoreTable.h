// The table of the five best results, shared by the game, the windows and the store.
#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <array>
#include <optional>

// A result's score: a 16-bit number, by which it ranks, counts in the check
// character and is posted. The earlier game read scores as numbers and some of
// its tables write them with leading zeros ("0120"); a score loaded from such a
// table keeps how it was written, so the best results show it as they always
// have and the table saved unchanged is the stored value it came from. A score
// made in this game is written plainly.
class Score {
public:
    constexpr Score(qint16 value) : m_value(value) {}
    // A score written with `leadingZeros` zeros before its digits; a zero may
    // carry a minus sign ("-00").
    constexpr Score(qint16 value, quint8 leadingZeros, bool minusOnZero = false)
        : m_value(value), m_leadingZeros(leadingZeros), m_minusOnZero(minusOnZero && value == 0) {}

    constexpr qint16 value() const { return m_value; }
    // As the best results show it and the stored table writes it.
    QString text() const;

    bool operator==(const Score &) const = default;

private:
    qint16 m_value;
    quint8 m_leadingZeros = 0;
    bool m_minusOnZero = false;
};

// One place in the table.
struct ScoreEntry {
    QString name;
    std::optional<Score> score; // none while the place is free

    bool isFree() const { return !score; }
    // The score as shown, empty while the place is free.
    QString scoreText() const { return score ? score->text() : QString(); }
    bool operator==(const ScoreEntry &) const = default;
};

class ScoreTable {
public:
    static constexpr int kEntries = 5;
    // The longest name typed into this game. Five such names, five scores of
    // up to six characters and nine separators still fit in the stored form.
    // Longer names come only from tables the earlier game wrote.
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
    // older result with an equal or higher one. The fifth place drops out,
    // unless it holds an equal or higher score: then nothing changes and the
    // answer is false, so a result another copy of the game stored first is
    // never pushed out by one that does not beat it.
    bool insert(const QString &name, qint16 score);

    // Whether the result earns a place: a positive score that beats the
    // fifth place, or any positive score while the fifth place is free.
    bool isRecord(qint16 score) const;

    // The best score as shown (empty while the table is empty).
    QString bestScoreText() const;

    bool operator==(const ScoreTable &) const = default;

private:
    std::array<ScoreEntry, kEntries> m_entries;
};

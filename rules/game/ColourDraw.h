// The colour of each new block: five colours, equally likely, from a seeded generator.
#pragma once

#include "rules/game/Field.h"

#include <QRandomGenerator>
#include <cmath>

class ColourDraw {
public:
    void seed(quint32 seed) { m_generator.seed(seed); }

    // floor(r x 5) for a uniform r in [0, 1).
    Square next() { return Square(std::floor(m_generator.generateDouble() * Colour::kCount)); }

private:
    QRandomGenerator m_generator;
};

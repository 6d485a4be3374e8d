// Loading the network module of the send window.
#include "rules/web/ScorePost.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

std::unique_ptr<ScorePoster> ScorePoster::create(QObject *owner) {
    // Beside the program, where the build and `cmake --install` both put it.
    static CreateScorePoster *create = [] {
        QLibrary module(QDir(QCoreApplication::applicationDirPath())
                            .filePath(QStringLiteral(TOQUEL_NETWORK_MODULE)));
        auto *found =
            reinterpret_cast<CreateScorePoster *>(module.resolve("toquel_create_score_poster"));
        if (!found)
            qWarning("Toquel cannot post results: %s", qPrintable(module.errorString()));
        return found;
    }();
    return std::unique_ptr<ScorePoster>(create ? create(owner) : nullptr);
}

#pragma once

#include "platform/FileSystem.h"

#include <QRandomGenerator>
#include <QRegularExpression>

#include <optional>

// Makes chosen file steps fail as the system would: the nth step among those
// that match, or each matching step with a chance drawn from a seed (by
// default every one).
class Faults : public platform::FaultInjector {
public:
    std::error_code code = std::make_error_code(std::errc::no_space_on_device);
    std::optional<Step> step; // only steps of this kind; any when empty
    QString pathPattern;      // wildcard over the native path; any when empty
    int failAt = 0;           // 1-based; 0: by chance
    double chance = 1;
    QRandomGenerator random{1};
    int matched = 0;
    int failed = 0;

    std::error_code failure(Step s, const QString &nativePath) override
    {
        if (step && *step != s)
            return {};
        if (!pathPattern.isEmpty()
            && !QRegularExpression(
                    QRegularExpression::wildcardToRegularExpression(
                        pathPattern, QRegularExpression::UnanchoredWildcardConversion))
                    .match(nativePath)
                    .hasMatch())
            return {};
        ++matched;
        if (failAt > 0 ? matched != failAt : random.generateDouble() >= chance)
            return {};
        ++failed;
        return code;
    }
};

#pragma once

#include "platform/FileSystem.h"

#include <optional>

// Makes chosen file steps fail as the system would: the nth of those that
// match, or every one.
class Faults : public platform::FaultInjector {
public:
    std::error_code code = std::make_error_code(std::errc::no_space_on_device);
    std::optional<Step> step; // only steps of this kind; any when empty
    int failAt = 0;           // 1-based; 0: every matching step; below 0: none
    int matched = 0;
    int failed = 0;
    unsigned seen = 0, hit = 0; // the kinds of step met while armed, and failed, as bits

    std::error_code failure(Step s, const QString &) override
    {
        seen |= failAt < 0 ? 0 : 1u << int(s);
        if ((step && *step != s) || failAt < 0 || (++matched != failAt && failAt > 0))
            return {};
        ++failed;
        hit |= 1u << int(s);
        return code;
    }
};

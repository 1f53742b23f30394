#pragma once

#include "core/Failure.h"

// A failure of the database engine: its result code and its message.
class QMR_PLATFORM_EXPORT DbError : public Failure {
public:
    using Failure::Failure;
    ~DbError() override;
};

#pragma once

#include "qmrplatform.h"

#include <QString>
#include <exception>
#include <functional>
#include <string>

namespace ErrNo {
// The numbers callers test for; they keep the platform's traditional meaning.
constexpr int NoCurrentRow = 3021;
constexpr int FileNotFound = 53;
constexpr int PathFileAccess = 75;
constexpr int ObjectNotSet = 91;
constexpr int CannotCreateObject = 429;
constexpr int InterfaceNotSupported = 430;
constexpr int Unexpected = 5;
constexpr int UserInterrupt = 18;
} // namespace ErrNo

// A failure with a number and a description, the one shape every error handler reads.
class QMR_PLATFORM_EXPORT Failure : public std::exception {
public:
    Failure(int number, QString description);
    ~Failure() override;
    int number() const noexcept { return m_number; }
    const QString &description() const noexcept { return m_description; }
    const char *what() const noexcept override { return m_what.c_str(); }

private:
    int m_number;
    QString m_description;
    std::string m_what;
};

// Runs one step; a failure is swallowed so the caller goes on with its next step.
// Returns false when the step failed.
QMR_PLATFORM_EXPORT bool skipOnFailure(const std::function<void()> &step) noexcept;

// Using an object that is not there (91).
[[noreturn]] QMR_PLATFORM_EXPORT void throwObjectNotSet();

// Turns whatever was thrown into a Failure (unknown exceptions become number 5).
QMR_PLATFORM_EXPORT Failure currentFailure(std::exception_ptr e);

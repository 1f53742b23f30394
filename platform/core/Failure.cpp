#include "Failure.h"

Failure::Failure(int number, QString description)
    : m_number(number)
    , m_description(std::move(description))
    , m_what(QStringLiteral("%1: %2").arg(number).arg(m_description).toStdString()) {}

Failure::~Failure() = default;

bool skipOnFailure(const std::function<void()> &step) noexcept {
    try {
        step();
        return true;
    } catch (...) {
        return false;
    }
}

Failure currentFailure(std::exception_ptr e) {
    try {
        std::rethrow_exception(e);
    } catch (const Failure &f) {
        return f;
    } catch (const std::exception &x) {
        return Failure(ErrNo::Unexpected, QString::fromLocal8Bit(x.what()));
    } catch (...) {
        return Failure(ErrNo::Unexpected, QStringLiteral("Unexpected failure"));
    }
}

void throwObjectNotSet() {
    throw Failure(ErrNo::ObjectNotSet,
                  QStringLiteral("Object variable or With block variable not set"));
}

#include "serial/CPortDelivery.h"

namespace tavrin {

namespace {
// Per thread: under smNone the event thread runs the handling routines itself.
thread_local DeliveryScope* innermost = nullptr;
} // namespace

DeliveryScope::DeliveryScope(const TCustomComPort* port) : port_(port), outer_(innermost) {
    innermost = this;
}

DeliveryScope::~DeliveryScope() {
    innermost = outer_;
}

const DeliveryScope* DeliveryScope::Innermost(const TCustomComPort* port) {
    for (const DeliveryScope* scope = innermost; scope; scope = scope->outer_) {
        if (scope->port_ == port)
            return scope;
    }
    return nullptr;
}

bool DeliveryScope::EndAll(const TCustomComPort* port) {
    bool any = false;
    for (DeliveryScope* scope = innermost; scope; scope = scope->outer_) {
        if (scope->port_ == port) {
            ++scope->ends_;
            any = true;
        }
    }
    return any;
}

} // namespace tavrin

#pragma once

// GSL aborts on an error by default; the host's numerical routines report errors through
// their status words instead.

#include <gsl/gsl_errno.h>

namespace brixel::host {

// Turns GSL's abort-on-error off for the lifetime of the object only.
class GslErrorsReturned {
  public:
    GslErrorsReturned() : m_previous(gsl_set_error_handler_off()) {}
    ~GslErrorsReturned() { gsl_set_error_handler(m_previous); }
    GslErrorsReturned(const GslErrorsReturned&) = delete;
    GslErrorsReturned& operator=(const GslErrorsReturned&) = delete;

  private:
    gsl_error_handler_t* m_previous;
};

}  // namespace brixel::host

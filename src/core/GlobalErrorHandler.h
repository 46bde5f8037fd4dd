#pragma once

#include <QString>
#include <exception>

struct AppContext;
struct ErrorContext;
class Ui;

// The internal error report: one error box naming the procedure and unit
// entered last, the exception's class and its message. error may be null
// (an exception that is no object of ours).
void GlobalErrorHandler(AppContext &ctx, std::exception_ptr error);
void ShowInternalError(Ui &ui, const ErrorContext &context, std::exception_ptr error);
// The text of that box.
QString InternalErrorTextFor(const ErrorContext &context, std::exception_ptr error);

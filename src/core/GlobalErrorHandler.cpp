#include "core/GlobalErrorHandler.h"

#include "core/AppContext.h"
#include "store/Store.h"
#include "core/Errors.h"

#include <cxxabi.h>
#include <cstdlib>
#include <typeinfo>

namespace {

QByteArray DemangledName(const std::type_info &type)
{
    int status = 0;
    char *name = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    const QByteArray result = status == 0 && name ? QByteArray(name) : QByteArray(type.name());
    std::free(name);
    return result;
}

} // namespace

QString InternalErrorTextFor(const ErrorContext &context, std::exception_ptr error)
{
    QByteArray className;
    QString message;
    bool known = true;
    try {
        if (error)
            std::rethrow_exception(error);
        known = false;
    } catch (const TallylineError &e) {
        className = e.className();
        message = e.message();
    } catch (const StoreOpenError &e) {
        className = DemangledName(typeid(e));
        message = e.message();
    } catch (const std::exception &e) {
        className = DemangledName(typeid(e));
        message = QString::fromLocal8Bit(e.what());
    } catch (...) {
        known = false;
    }
    return InternalErrorText(context, known ? className.constData() : nullptr, message);
}

void ShowInternalError(Ui &ui, const ErrorContext &context, std::exception_ptr error)
{
    ui.showMessage(MessageKind::Error, InternalErrorTextFor(context, error));
}

void GlobalErrorHandler(AppContext &ctx, std::exception_ptr error)
{
    ShowInternalError(ctx.ui, ctx.errorContext, error);
}

#include "execution/DeeplinkExecuter.h"

#include "platform/AppError.h"
#include "platform/AppIdentity.h"

DeeplinkExecuter::DeeplinkExecuter(QObject* parent)
    : QObject(parent)
{
}

QCoro::Task<> DeeplinkExecuter::execute(QUrl url, Completion completion)
{
    Q_UNUSED(url)
    completion(std::make_exception_ptr(
                   AppError(QString::fromLatin1(AppIdentity::bundleIdentifier), 1,
                            QStringLiteral("No device selected or Xcode not configured"))),
               true);
    co_return;
}

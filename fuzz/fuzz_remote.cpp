// The request stream kaven-regserve reads from a client: frames and requests of any shape, answered
// over a real store.

#include "FuzzSupport.h"

#include "platform/HandleTable.h"
#include "platform/remote/RemoteServer.h"

#include <QFile>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::initApplication();
    Fuzz::openFreshStore();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A new store now and then keeps the file small however many keys the requests create.
    static int runs = 0;
    if (++runs % 2000 == 0)
        Fuzz::openFreshStore();
    const int in = memfd_create("request", MFD_CLOEXEC);
    const int out = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (in < 0 || out < 0 || ::write(in, data, size) != ssize_t(size) || ::lseek(in, 0, SEEK_SET) != 0)
        abort();
    {
        RemoteServer server(HandleTable::localBackend());
        QString error;
        (void)server.serve(in, out, &error);
    }
    ::close(in);
    ::close(out);
    return 0;
}

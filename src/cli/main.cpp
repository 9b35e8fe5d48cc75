// SPDX-License-Identifier: GPL-3.0-or-later
// vecardia-cli: batch form of the contact book editor's file commands.
#include "cli/cli.h"
#include "runtime/hugepages.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    vecardia::startWithHugePagesIfAsked(argv);
    QCoreApplication app(argc, argv);
    QFile out, err;
    if (!out.open(stdout, QIODevice::WriteOnly) || !err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered))
        return 1;
    const int code = vecardia::runCli(QCoreApplication::arguments().mid(1), out, err);
    out.flush();
    return code;
}

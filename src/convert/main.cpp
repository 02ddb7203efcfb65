// Entry of kyrel-convert: reads the command line and converts one model.
#include "convert/ConvertOptions.h"
#include "convert/ModelConverter.h"
#include "io/Version.h"

#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    ConvertOptions options;
    std::string reason;
    switch (ParseConvertOptions(argc, argv, options, reason))
    {
    case ConvertCommand::Help:
        std::cout << CONVERT_USAGE;
        return 0;
    case ConvertCommand::Version:
        std::cout << "kyrel-convert " << KyrelVersion() << std::endl;
        return 0;
    case ConvertCommand::Refused:
        std::cerr << "kyrel-convert: " << reason << "\n" << CONVERT_USAGE;
        return 1;
    case ConvertCommand::Convert:
        break;
    }
    if (!ConvertModelFile(options, reason))
    {
        std::cerr << "kyrel-convert: " << reason << std::endl;
        return 1;
    }
    return 0;
}

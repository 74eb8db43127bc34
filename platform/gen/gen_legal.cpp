#include "gen/gen_legal.h"

std::string gen_get_legal_text(const char* product)
{
    const std::string subject =
        product != nullptr && *product != '\0' ? std::string(product) : std::string("This software");
    return subject + " and the reports it produces are provided \"as is\", without warranty of any kind,\n"
                     "express or implied, including but not limited to the warranties of merchantability,\n"
                     "fitness for a particular purpose and noninfringement. In no event shall the authors or\n"
                     "copyright holders be liable for any claim, damages or other liability arising from, out\n"
                     "of or in connection with the software or the use of its results.\n"
                     "Your use of the software and of these reports is subject to the terms of the license\n"
                     "agreement under which the software was provided to you.";
}

// tavrin-board: the simulated teaching board of Tavrin on a pseudo-terminal, for Tavrin
// itself or any other serial program.

#include "platform/config/ConfigDir.h"
#include "tools/board/PtyBoard.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>

namespace {

const char kUsage[] =
    "Uso: tavrin-board [--com N] [--config PASTA]\n"
    "\n"
    "Serve a placa simulada do Tavrin num pseudoterminal e o liga como\n"
    "PASTA/dosdevices/comN, o nome pelo qual o Tavrin (e o Wine) abrem a porta COMN.\n"
    "A placa fala a 9600 8N1 ao ligar; digite AJUDA para a lista de comandos.\n"
    "\n"
    "  --com N        o número da porta COM, de 1 a 255 (padrão: 1)\n"
    "  --config PASTA a pasta de configuração (padrão: a do Tavrin,\n"
    "                 $XDG_CONFIG_HOME/tavrin ou ~/.config/tavrin)\n"
    "  --help         mostra esta ajuda\n"
    "  --version      mostra a versão\n";

bool MakeFolders(const std::string& path) {
    for (std::size_t at = 1; at <= path.size(); ++at) {
        if (at == path.size() || path[at] == '/') {
            const std::string part = path.substr(0, at);
            if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
                return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    int com = 1;
    std::string config;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (option == "--version") {
            std::printf("tavrin-board %s\n", TAVRIN_VERSION);
            return 0;
        }
        if ((option == "--com" || option == "--config") && i + 1 < argc) {
            const std::string value = argv[++i];
            if (option == "--config") {
                config = value;
                continue;
            }
            char* end = nullptr;
            const long n = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || n < 1 || n > 255) {
                std::fprintf(stderr, "tavrin-board: --com precisa de um número de 1 a 255\n");
                return 2;
            }
            com = static_cast<int>(n);
            continue;
        }
        std::fprintf(stderr, "tavrin-board: opção desconhecida: %s\n%s", option.c_str(), kUsage);
        return 2;
    }
    if (config.empty())
        config = win::ConfigDirectory();
    const std::string folder = config + "/dosdevices";
    if (!MakeFolders(folder)) {
        std::fprintf(stderr, "tavrin-board: não foi possível criar %s: %s\n", folder.c_str(),
                     std::strerror(errno));
        return 1;
    }
    tavrin::board::PtyBoard board(folder + "/com" + std::to_string(com));
    return board.Run();
}

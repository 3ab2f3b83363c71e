#include "app/windows/HelpTopics.h"

#include <array>
#include <initializer_list>

namespace tavrin {

namespace {

struct Topic {
    const char* keyword;
    std::initializer_list<const char*> lines;
};

// A list box breaks no line, so each line is written to fit the text list's width in the
// face and size the list is drawn in; only lines whose wording is fixed run wider, and the
// list scrolls sideways to them. One line of text per line of code:
// clang-format off
const std::array<Topic, HelpTopicCount> Topics = {{
    {"Ajuda",
     {" ",
      "  O Tavrin foi desenvolvido para fins",
      "didáticos e é de fácil utilização,",
      "principalmente na comunicação com",
      "microcontroladores que possuem USART",
      "operando no modo assíncrono.",
      "  Para mais detalhes, abra o tópico",
      "\"Comandos\" ou \"Indicadores\" e clique",
      "na palavra chave desejada."}},
    {"Abrir Porta",
     {" ",
      "  Abre a porta de comunicação serial,",
      "desde que ela não esteja sendo usada",
      "por outro programa.",
      "  Observação: as mensagens recebidas",
      "são apagadas quando a porta é fechada",
      "e aberta novamente."}},
    {"Fechar Porta",
     {" ",
      "  Apenas fecha a porta de comuniação serial",
      "independente de qualquer outro evento. "}},
    {"Enviar",
     {" ",
      "  Envia strings de até 64 caracteres,",
      "conforme o tamanho máximo escolhido",
      "em Configurações, Terminal. A string",
      "pode conter qualquer caractere do",
      "teclado, inclusive espaços.",
      "  O envio só é permitido com a porta",
      "aberta, com um dispositivo conectado",
      "(sinal DSR presente) e com algum texto",
      "digitado na linha de comandos.",
      "  Todas as strings enviadas são terminadas",
      "com o caractere nulo (NUL, 0x00). Por",
      "exemplo, ao enviar a letra A, o",
      "dispositivo receptor recebe o",
      "caractere 0x41 e em seguida 0x00. "}},
    {"Limpar",
     {" ",
      "  Apaga o texto digitado na linha de",
      "comandos e os caracteres recebidos na",
      "área de recepção, com a porta aberta",
      "ou fechada."}},
    {"Nova Linha",
     {" ",
      "  Envia os caracteres '\\r' (CR na Tabela ASCII)",
      "e '\\n' (LF) antes da string; o software",
      "do dispositivo receptor deve tratar",
      "esses caracteres.",
      "  Observação: a área de recepção é",
      "apagada quando chega o caractere de",
      "avanço de página (FF, 0x0C) no início",
      "de um bloco recebido.",
      "  Na área de recepção, o CR recebido",
      "(retorno do carro) e o LF (nova linha)",
      "fazem o texto seguinte ser escrito em",
      "uma nova linha; o par CR LF, uma só."}},
    {"Configuração da Porta",
     {" ",
      "  Configura a porta de comunicação",
      "serial: qual porta usar (COM1, COM2 e",
      "assim por diante, ou dispositivos como",
      "/dev/ttyUSB0 e /dev/ttyACM0), a taxa de",
      "transmissão (9600 bps por padrão), os",
      "bits de dados (5, 6, 7 ou 8), os bits de",
      "parada (1, 1,5 ou 2), a paridade e o",
      "controle de fluxo."}},
    {"Configuração do Terminal",
     {" ",
      "  Configura o Tavrin:",
      "  Cor: a cor de fundo das janelas, que",
      "pode ser azul, verde ou laranja, além",
      "da cor padrão.",
      "  Fonte: o tamanho da fonte da área de",
      "recepção.",
      "  String: o comprimento da string, isto",
      "é, o número máximo de caracteres que",
      "uma string enviada pode ter: 16, 32",
      "ou 64.",
      "  Apagar linha de comandos: apaga a",
      "linha de comandos após cada envio."}},
    {"Caracteres Restantes",
     {" ",
      "  Mostra quantos caracteres ainda podem",
      "ser digitados até o limite de tamanho",
      "da string a enviar. O limite é definido",
      "em Configurações, Terminal, String."}},
    {"Status da Porta",
     {" ",
      "  Quando a lâmpada SP está acesa, a",
      "porta de comunicação está aberta; caso",
      "contrário, está fechada."}},
    {"Detecção de Hardware",
     {" ",
      "  Indica se há um dispositivo com o",
      "sinal DSR conectado à porta serial; a",
      "lâmpada HW acesa confirma a conexão.",
      "  O DSR (Data Set Ready) é o sinal com",
      "que o dispositivo avisa que está ligado",
      "e pronto para se comunicar. Sem ele, o",
      "Tavrin não envia nada.",
      " "}},
    {"Barra de Status",
     {" ",
      "  A barra de status, na parte inferior",
      "da janela, mostra no primeiro campo",
      "dicas sobre os botões e comandos; no",
      "segundo, avisa quando o Caps Lock está",
      "ativado (CAPS); no terceiro, mostra",
      "\"SPACE\" quando um espaço foi digitado",
      "na linha de comandos."}},
    {"Placa Simulada",
     {" ",
      "  A porta SIM é uma placa simulada",
      "dentro do Tavrin: escolha SIM em",
      "Configurações, Porta, e abra a porta.",
      "A placa liga a 9600 8N1, com DSR e CTS.",
      "  Comandos (terminados por NUL, CR ou",
      "LF, em maiúsculas ou minúsculas):",
      "  AJUDA: a lista de comandos.",
      "  LED1, LED2 [ON|OFF]: liga, desliga",
      "ou inverte um LED.",
      "  STATUS: LEDs, UART da placa, tempo",
      "ligada e caracteres recebidos,",
      "perdidos e com erro.",
      "  ECO ON|OFF: devolve cada caractere.",
      "  LER: uma leitura de temperatura.",
      "  FLUXO n: n leituras por segundo,",
      "até chegar FIM.",
      "  LENTO ON|OFF: receptor lento, que",
      "perde caracteres a menos de 5 ms.",
      "  UART 19200 8E1: muda a UART da placa.",
      "  DESCONECTAR n: some por n segundos.",
      "  RUIDO n: n em 1000 caracteres com um",
      "bit trocado; RUIDO 0 desliga.",
      "  CLS: limpa o painel.",
      "  Com a porta em outra velocidade ou",
      "formato chega lixo, como numa placa",
      "real. O programa tavrin-board oferece",
      "a mesma placa num pseudoterminal."}},
}};
// clang-format on

} // namespace

QString HelpKeyword(THelpTopic topic) {
    return QString::fromUtf8(Topics[topic].keyword);
}

QStringList HelpLines(THelpTopic topic) {
    QStringList lines;
    for (const char* line : Topics[topic].lines)
        lines << QString::fromUtf8(line);
    return lines;
}

} // namespace tavrin

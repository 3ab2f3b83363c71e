#pragma once

// The help window's texts: for every keyword, the lines the text list shows, one list item
// per line. Each text opens with a line holding a single blank, and each paragraph starts
// with two blanks.

#include <QString>
#include <QStringList>

namespace tavrin {

enum THelpTopic {
    htAjuda,
    // Comandos, in the order of the keyword list
    htAbrirPorta,
    htFecharPorta,
    htEnviar,
    htLimpar,
    htNovaLinha,
    htConfiguracaoPorta,
    htConfiguracaoTerminal,
    // Indicadores, in the order of the keyword list
    htCaracteresRestantes,
    htStatusPorta,
    htDeteccaoHardware,
    htBarraStatus,
    // Ferramentas, in the order of the keyword list
    htPlacaSimulada,
    htMonitorLinha,
    htQuadroByte,
    htGravarSessao,
    htHistoricoComandos,
};
constexpr int HelpTopicCount = htHistoricoComandos + 1;

// The topics of the category "Ferramentas", in the order of its keyword list.
inline constexpr THelpTopic ToolTopics[] = {htPlacaSimulada, htMonitorLinha, htQuadroByte,
                                            htGravarSessao, htHistoricoComandos};

// The keyword the topic is listed under, as the keyword list shows it.
QString HelpKeyword(THelpTopic topic);

QStringList HelpLines(THelpTopic topic);

} // namespace tavrin

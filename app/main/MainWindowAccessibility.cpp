#include "app/main/MainWindowAccessibility.h"

#include "app/main/UnitPrincipal.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QShortcut>

namespace tavrin {

namespace {

void Describe(QWidget* widget, const QString& name, const QString& description) {
    widget->setAccessibleName(name);
    widget->setAccessibleDescription(description);
}

// A lamp's name carries its state, so that a screen reader says it with the lamp and
// announces the change (Qt reports every change of an accessible name).
void DescribeLamp(TComLed* lamp, const QString& name, const QString& description) {
    const auto say = [lamp, name](TLedState state) {
        lamp->setAccessibleName(
            name + (state == lsOn ? QStringLiteral(": acesa") : QStringLiteral(": apagada")));
    };
    lamp->setAccessibleDescription(description);
    say(lamp->State());
    TLedStateEvent previous = lamp->OnChange;
    lamp->OnChange = [say, previous](TObject* Sender, TLedState AState) {
        say(AState);
        if (previous)
            previous(Sender, AState);
    };
}

void FocusKey(TQuelt& window, const char* keys, QWidget* target) {
    auto* shortcut = new QShortcut(QKeySequence(QString::fromLatin1(keys)), &window);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, target,
                     [target] { target->setFocus(Qt::ShortcutFocusReason); });
}

} // namespace

void DescribeMainWindow(TQuelt& w) {
    Describe(&w, w.windowTitle(), QStringLiteral("Janela principal do terminal serial."));
    Describe(w.centralWidget(), QStringLiteral("Terminal"),
             QStringLiteral("Linha de comando, mensagens recebidas e barra de ferramentas."));

    Describe(w.Button_Send, QStringLiteral("Enviar"),
             QStringLiteral("Envia pela porta serial a string da linha de comando."));
    Describe(w.Button1, QStringLiteral("Limpar Tudo"),
             QStringLiteral("Limpa linha de comando e mensagens recebidas."));
    Describe(w.Bt_Store, QStringLiteral("Armazenar"),
             QStringLiteral("Armazena as configurações da porta."));
    Describe(w.Bt_Load, QStringLiteral("Carregar"),
             QStringLiteral("Carrega as configurações da porta armazenadas."));
    Describe(w.Panel2, QStringLiteral("Barra de ferramentas"),
             QStringLiteral("Botões, opção de nova linha, contador e lâmpadas."));
    Describe(w.BitBtn1, QStringLiteral("Enviar"), QStringLiteral("Enviar string."));
    Describe(w.BitBtn2, QStringLiteral("Limpar Tudo"),
             QStringLiteral("Limpa linha de comando e mensagens recebidas."));
    Describe(w.nova_linha, QStringLiteral("Enviar em Nova Linha"),
             QStringLiteral("Envia caracteres de retorno do carro e nova linha antes da string."));
    Describe(
        w.CR, QStringLiteral("Caracteres Restantes"),
        QStringLiteral("Caracteres que faltam para completar o comprimento máximo da string."));
    DescribeLamp(w.ComLed2, QStringLiteral("Status da Porta"),
                 QStringLiteral("Indica o estado da porta: acesa com a porta aberta."));
    DescribeLamp(w.ComLed1, QStringLiteral("Detecção de Hardware"),
                 QStringLiteral("Indica a presença de dispositivo com sinal DSR conectado: "
                                "acesa quando há um dispositivo."));
    Describe(w.Edit_Data, QStringLiteral("Linha de comando"),
             QStringLiteral("Caracteres a enviar pela porta serial. %1 leva o cursor para cá.")
                 .arg(QString::fromLatin1(CommandLineKey)));
    Describe(w.Memo, QStringLiteral("Mensagens recebidas"),
             QStringLiteral("Caracteres recebidos pela porta serial. %1 leva o cursor para cá.")
                 .arg(QString::fromLatin1(ReceptionPaneKey)));
    Describe(w.LogoBlock, QStringLiteral("Logotipo"),
             QStringLiteral("Nome e endereço do fabricante."));
    Describe(w.Image2, QStringLiteral("Logotipo do Tavrin"), QStringLiteral("Logotipo."));
    Describe(w.MainMenu1, QStringLiteral("Menu principal"),
             QStringLiteral("Conexão, configurações, ajuda e sobre."));
    Describe(w.Conexo1, w.Conexo1->title(),
             QStringLiteral("Abre ou fecha a porta COM do computador."));
    Describe(w.Configuraes1, w.Configuraes1->title(),
             QStringLiteral("Configurações da porta e do terminal."));
    Describe(w.Ferramentas1, w.Ferramentas1->title(),
             QStringLiteral("O monitor da linha e a gravação da sessão."));
    Describe(w.Ajuda1, w.Ajuda1->title(), QStringLiteral("Ajuda sobre comandos e indicadores."));
    Describe(w.Sobre1, w.Sobre1->title(), QStringLiteral("Sobre o programa."));
    Describe(w.StatusBar1, QStringLiteral("Barra de status"),
             QStringLiteral("Dicas, estado do Caps Lock e aviso de espaço no comando."));
    const QString panels[][2] = {
        {QStringLiteral("Dica"), QStringLiteral("Dica do controle sob o mouse.")},
        {QStringLiteral("Caps Lock"),
         QStringLiteral("Mostra CAPS quando o Caps Lock está ligado.")},
        {QStringLiteral("Espaço"), QStringLiteral("Avisa quando o comando contém um espaço.")},
    };
    for (int i = 0; i < w.StatusBar1->PanelCount() && i < 3; ++i)
        Describe(w.StatusBar1->Panel(i), panels[i][0], panels[i][1]);

    // The captions of the tool strip and of the logo block read as they show; a caption
    // tells the reader which control it belongs to.
    const struct {
        QLabel* label;
        QWidget* buddy;
        const char* description;
    } captions[] = {
        {w.Label6, w.nova_linha, "Legenda da opção de nova linha."},
        {w.Label10, w.CR, "Legenda do contador de caracteres restantes."},
        {w.Label4, w.ComLed2, "Legenda da lâmpada de status da porta."},
        {w.Label8, w.ComLed1, "Legenda da lâmpada de detecção de hardware."},
        {w.Label1, nullptr, "Nome do fabricante."},
        {w.Label2, nullptr, "Nome do fabricante."},
        {w.Label3, nullptr, "Endereço na web."},
    };
    for (const auto& caption : captions) {
        Describe(caption.label, caption.label->text().trimmed(),
                 QString::fromUtf8(caption.description));
        if (caption.buddy)
            caption.label->setBuddy(caption.buddy);
    }

    // Read-only, yet the reader's caret walks the received text line by line.
    w.Memo->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    FocusKey(w, CommandLineKey, w.Edit_Data);
    FocusKey(w, ReceptionPaneKey, w.Memo);
}

} // namespace tavrin

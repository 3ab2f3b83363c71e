#pragma once

// The help window: short texts on the program's commands and indicators. The user picks a
// category in ComboKey, a keyword in ListSub, and reads its text in ListValues. Created at
// start-up, hidden, shown modally by "Ajuda..."; whenever it is shown or becomes the
// active window it starts again at the Ajuda category.

#include "app/windows/HelpTopics.h"
#include "ui_UnitAjuda.h"

#include <QDialog>

namespace tavrin {

// The category whose keywords ListSub lists: exactly one is current at any time.
enum THelpCategory { hcAjuda, hcComandos, hcIndicadores, hcFerramentas };
extern THelpCategory CurrentCategory;

class TFormAjuda : public QDialog, public Ui::UnitAjuda {
    Q_OBJECT
public:
    explicit TFormAjuda(QWidget* parent = nullptr);

    // Shows the window modally and returns when it is closed (closing only hides it).
    int ShowModal() { return exec(); }

    void FormCreate();
    void ComboKeyChange();
    void ListSubClick();
    void Fechar1Click();

    // The topics: each empties ListValues and fills it with its text.
    void Ajud();
    void AbrirP();
    void FechaP();
    void EnviarMs();
    void LimparTudo();
    void NLinha();
    void ConfPorta();
    void ConfTerm();
    void CaracRest();
    void PortAbr();
    void HDetec();
    void BarradeStatus();

protected:
    bool event(QEvent* event) override;

private:
    void ApplyDesignLook();
    void DescribeControls();
    void ShowTopic(THelpTopic topic);
    void ListKeywords(std::initializer_list<THelpTopic> topics);
};

extern TFormAjuda* FormAjuda;

} // namespace tavrin

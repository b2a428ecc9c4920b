#include "about_form.h"

#include <windows.h>

#include "KitGIF.h"
#include "streams.h"
#include "sys_utils.h"
#include "tarnbel_protocol.h"
#include "tool_windows.h"

using namespace ui;

UI_CLASSINFO(TAboutForm)

namespace {

const char* const AboutText =
    "tarnbel v1.24.2\n"
    "\n"
    "Sample memory manager\n"
    "for EMU10K1 sound cards.";
const char* const CreditsText =
    "Programming, design\n"
    "and pictures:\n"
    "the tarnbel developers\n"
    "\n"
    "Thanks to everyone who\n"
    "sent sample sets, ideas\n"
    "and bug reports.";
// A reserved name that never resolves: the box links to no real site.
const char* const HomeLink = "http://tarnbel.invalid/";

const TColor ShapeColor = 0x602818;  // dark blue, as the logo's outer ring
const TColor LinkColor = 0x40C8FF;   // the logo's amber

TLabel* WhiteLabel(TLabel* label, TWinControl* parent, const char* name, int left, int top) {
  label->SetName(name);
  label->SetParent(parent);
  label->SetLeft(left);
  label->SetTop(top);
  label->Font()->SetColor(clWhite);
  return label;
}

// A label of several lines in a fixed box.
void TextBox(TLabel* label, int width, int height) {
  label->SetAutoSize(false);
  label->SetWordWrap(true);
  label->SetWidth(width);
  label->SetHeight(height);
}

}  // namespace

TAboutForm::TAboutForm(TComponent* owner) : TForm(owner) {
  SetName("AboutForm");
  SetBorderStyle(bsNone);
  SetCaption("about tarnbel");
  SetClientSize(384, 380);
  SetPosition(poScreenCenter);
  SetColor(clBlack);
  SetKeyPreview(true);
  OnCloseQuery = [this](TObject*, bool& canClose) { FormCloseQuery(canClose); };
  OnKeyDown = [this](TObject*, WORD& key, TSet32 shift) { FormKeyDown(key, shift); };

  Shape1 = new TShape(this);
  Shape1->SetName("Shape1");
  Shape1->SetParent(this);
  Shape1->SetBounds(192, 0, 192, 380);
  Shape1->SetBrushColor(ShapeColor);
  TPen pen;
  pen.Color = ShapeColor;
  Shape1->SetPen(pen);

  Image1 = new TImage(this);
  Image1->SetName("Image1");
  Image1->SetParent(this);
  Image1->SetBounds(16, 16, 160, 120);
  LoadLogo();

  Label1 = WhiteLabel(new TLabel(this), this, "Label1", 16, 152);
  TextBox(Label1, 168, 72);
  Label1->SetCaption(AboutText);
  Label1->Font()->SetStyle(1u << fsBold);

  Label2 = WhiteLabel(new TLabel(this), this, "Label2", 208, 24);
  TextBox(Label2, 168, 120);
  Label2->SetCaption(CreditsText);

  ShellLink1 = new TShellLink(this);
  WhiteLabel(ShellLink1, this, "ShellLink1", 208, 200);
  ShellLink1->SetCaption("tarnbel home page");
  ShellLink1->SetLink(HomeLink);
  ShellLink2 = new TShellLink(this);
  WhiteLabel(ShellLink2, this, "ShellLink2", 208, 224);
  ShellLink2->SetCaption("Program folder");
  ShellLink2->SetLink(ProgramFolder());
  for (TShellLink* link : {ShellLink1, ShellLink2}) {
    link->SetCursor(crHandPoint);
    link->FocusFont()->Assign(link->Font());
    link->FocusFont()->SetColor(LinkColor);
    link->FocusFont()->SetStyle(1u << fsUnderline);
  }

  CloseButton = new TButton(this);
  CloseButton->SetName("CloseButton");
  CloseButton->SetParent(this);
  CloseButton->SetBounds(296, 340, 72, 25);
  CloseButton->SetCaption("Close");
  CloseButton->SetDefault(true);
  CloseButton->OnClick = [this](TObject*) { CloseButtonClick(); };

  Panel1 = new TPanel(this);
  Panel1->SetName("Panel1");
  Panel1->SetParent(this);
  Panel1->SetBounds(8, 296, 176, 48);
  Panel1->SetColor(clBlack);
  Panel1->SetBevelOuter(bvLowered);
  Panel1->SetVisible(false);
  Image2 = new TImage(this);
  Image2->SetName("Image2");
  Image2->SetParent(Panel1);
  Image2->SetBounds(8, 8, 32, 32);
  if (HANDLE icon = LoadImageA(GetModuleHandleA(nullptr), "MAINICON", IMAGE_ICON, 32, 32, 0))
    Image2->Picture()->Icon()->SetHandle(static_cast<HICON>(icon));
  Label3 = WhiteLabel(new TLabel(this), Panel1, "Label3", 44, 17);
  Label3->SetCaption("Venus power make up!");

  SetActiveControl(CloseButton);
}

void TAboutForm::LoadLogo() {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, "ABOUT_LOGO", MAKEINTRESOURCEA(10));  // RT_RCDATA
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return;  // a program built without its pictures shows the box without the logo
  TMemoryStream stream;
  stream.Write(bytes, SizeofResource(module, found));
  stream.SetPosition(0);
  TGIFImage logo;
  logo.LoadFromStream(stream);
  logo.SetTransparent(true);
  Image1->Picture()->SetGraphic(&logo);
}

void TAboutForm::PostClosedOnce() {
  if (FClosedPosted) return;
  FClosedPosted = true;
  PostClosedMessage(WM_TB_ABOUT_CLOSED);
}

void TAboutForm::FormCloseQuery(bool& canClose) {
  canClose = true;
  PostClosedOnce();
}

void TAboutForm::CloseButtonClick() {
  SetModalResult(mrOk);
  PostClosedOnce();
}

void TAboutForm::FormKeyDown(WORD& key, TSet32 shift) {
  const TSet32 all = (1u << ssCtrl) | (1u << ssAlt) | (1u << ssShift);
  if (key == VK_ESCAPE) {
    key = 0;
    Close();
  } else if (key == 'I' && (shift & all) == all) {
    key = 0;
    Panel1->SetVisible(!Panel1->Visible());
  }
}

void RegisterAboutWindow() {
  ToolWindowMakers.About = [](TComponent* owner) -> TForm* { return new TAboutForm(owner); };
}

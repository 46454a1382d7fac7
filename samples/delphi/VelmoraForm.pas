{ Velmora on a Delphi VCL form. The statements mirror samples/properties.vbs
  and samples/values.vbs, with the events a script cannot hook.
  NOT COMPILED HERE: written against the reference, never run by the tests.

  Import the control first: Component > Import Component > Import ActiveX
  Control > "TextBox Formattato" (Velmora). The wizard writes Velmora_TLB.pas
  with TVelmoraControl (a TOleControl) and installs it on the palette. A
  32-bit program needs the 32-bit Velmora.ocx registered, a 64-bit one the
  64-bit OCX. The wizard may rename members that clash with the VCL's own
  (check Velmora_TLB.pas); the events come out as OnChange and
  OnDataNonValida, both TNotifyEvent. }
unit VelmoraForm;

interface

uses
  System.SysUtils, System.Classes, Vcl.Graphics, Vcl.Forms, Vcl.Dialogs, Vcl.OleCtrls,
  System.Win.ComObj, Velmora_TLB;

type
  TVelmoraForm = class(TForm)
    Data1: TVelmoraControl;
    Importo1: TVelmoraControl;
    procedure FormCreate(Sender: TObject);
    procedure Data1Change(Sender: TObject);
    procedure Data1DataNonValida(Sender: TObject);
  private
    FLastDate: string;
  end;

var
  VelmoraForm1: TVelmoraForm;

implementation

{$R *.dfm}

function NumberOf(const Text: string): Currency;
var
  Italian: TFormatSettings;
begin
  Italian := TFormatSettings.Create('it-IT');
  Result := StrToCurr(StringReplace(Text, '.', '', [rfReplaceAll]), Italian);
end;

procedure TVelmoraForm.FormCreate(Sender: TObject);
begin
  // DateValue and MaxLength start the field over: set them before Text.
  Data1.DateValue := True;
  Data1.MaxLength := 10;
  Data1.Text := '14/12/1967';

  Importo1.DateValue := False;
  Importo1.MaxLength := 12;        // characters, points included: 10 digits
  Importo1.Virgola := True;
  Importo1.TastoInvio := False;
  Importo1.Text := '1.234.567,89';
  Importo1.BackColor := $C0FFFF;   // RGB(255, 255, 192)
  Importo1.ForeColor := TColor($80000012);
  ShowMessage(CurrToStr(NumberOf(Importo1.Text)));

  try
    Data1.MaxLength := -1;
  except
    on E: EOleException do         // ErrorCode $800A017C
      ShowMessage('refused: ' + E.Message);   // Invalid property value: MaxLength
  end;
end;

procedure TVelmoraForm.Data1Change(Sender: TObject);
begin
  if Trim(StringReplace(Data1.Text, '/', '', [rfReplaceAll])) <> '' then
    FLastDate := Data1.Text;
end;

// Already wiped: Data1.Text is the mask. An empty field raises it too.
procedure TVelmoraForm.Data1DataNonValida(Sender: TObject);
begin
  if FLastDate <> '' then
    ShowMessage('Data non valida: ' + FLastDate);
  FLastDate := '';
end;

end.

VERSION 5.00
Object = "{D2477499-F693-11D3-8F25-F3F5CE97CB72}#1.0#0"; "Velmora.ocx"
Begin VB.Form VelmoraForm
   Caption         =   "Velmora"
   ClientHeight    =   1335
   ClientWidth     =   4215
   Begin Velmora.VelmoraControl Data1
      Height          =   300
      Left            =   1920
      TabIndex        =   0
      Top             =   240
      Width           =   1815
      _ExtentX        =   3201
      _ExtentY        =   529
      MaxLength       =   10
      DateValue       =   -1  'True
      Text            =   "  /  /    "
   End
   Begin Velmora.VelmoraControl Importo1
      Height          =   300
      Left            =   1920
      TabIndex        =   1
      Top             =   720
      Width           =   1815
      _ExtentX        =   3201
      _ExtentY        =   529
      MaxLength       =   12
      DateValue       =   0   'False
      Text            =   "0"
      Virgola         =   -1  'True
   End
End
Attribute VB_Name = "VelmoraForm"
' Velmora on a VB6 form (VBA user forms take the same code: Tools >
' Additional Controls > VelmoraControl). The statements mirror
' samples/properties.vbs and samples/values.vbs, with the event handlers a
' script cannot have. NOT COMPILED HERE: written against the reference,
' never run by the tests. A 32-bit host needs the 32-bit Velmora.ocx.
Option Explicit

Private lastDate As String   ' the last text of Data1, for DataNonValida

Private Sub Form_Load()
    ' DateValue and MaxLength start the field over: set them before Text.
    Data1.DateValue = True
    Data1.MaxLength = 10
    Data1.Text = "14/12/1967"

    Importo1.DateValue = False
    Importo1.MaxLength = 12          ' characters, points included: 10 digits
    Importo1.Virgola = True
    Importo1.TastoInvio = False      ' Enter moves to the next field
    Importo1.Text = "1.234.567,89"
    Importo1.BackColor = RGB(255, 255, 192)
    Importo1.ForeColor = &H80000012
    Importo1.Font.Name = "Tahoma"
    Importo1.Font.Size = 10
    Set Data1.Font = Importo1.Font   ' by reference: both share one font

    On Error Resume Next
    Data1.MaxLength = -1
    If Err.Number = 380 Then Debug.Print "refused: "; Err.Description   ' Invalid property value: MaxLength
    Err.Clear
    On Error GoTo 0
End Sub

' Every change of the text: keys, assignments, the wipe before DataNonValida.
Private Sub Data1_Change()
    If Trim(Replace(Data1.Text, "/", "")) <> "" Then lastDate = Data1.Text
End Sub

' The field was left holding no complete, existing date (an empty field
' too). It has been wiped already: Data1.Text is the mask.
Private Sub Data1_DataNonValida()
    If lastDate <> "" Then
        MsgBox "Data non valida: " & lastDate
        lastDate = ""
    End If
End Sub

Private Sub Importo1_Change()
    Debug.Print "Importo: "; NumberOf(Importo1.Text)
End Sub

' Italian text to a number under any regional settings (samples/values.vbs).
Private Function NumberOf(ByVal text As String) As Variant
    Dim t As String, negative As Boolean, whole As String, decimals As String
    t = Replace(Trim(text), ".", "")
    negative = InStr(t, "-") > 0
    t = Replace(t, "-", "")
    whole = t
    If InStr(t, ",") > 0 Then
        whole = Left(t, InStr(t, ",") - 1)
        decimals = Mid(t, InStr(t, ",") + 1)
    End If
    NumberOf = CDec(0)
    If whole <> "" Then NumberOf = CDec(whole)
    If decimals <> "" Then NumberOf = NumberOf + CDec(decimals) / 10 ^ Len(decimals)
    If negative Then NumberOf = -NumberOf
End Function

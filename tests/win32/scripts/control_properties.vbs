' A late-bound client: creates the control by its ProgID, as a script does
' (no InitNew, no Load), sets and reads its nine properties by name, and
' checks that a refused value comes back as a catchable error with its
' number and description. Every check prints one line; the last line is the
' marker the runner looks for, because a runtime error would end the script
' silently with exit code 0.
Option Explicit

Dim failures
failures = 0

Sub Check(what, actual, expected)
  If actual = expected Then
    WScript.Echo "ok   " & what
  Else
    WScript.Echo "FAIL " & what & ": got [" & actual & "], expected [" & expected & "]"
    failures = failures + 1
  End If
End Sub

Dim c, other
Set c = CreateObject("Velmora.VelmoraControl")

' A new control, never initialised by a container.
Check "initial MaxLength", c.MaxLength, 10
Check "initial DateValue", c.DateValue, True
Check "initial Text", c.Text, "  /  /    "
Check "initial BackColor", c.BackColor, &H80000005
Check "initial ForeColor", c.ForeColor, &H80000008
Check "initial Enabled", c.Enabled, True
Check "initial Virgola", c.Virgola, False
Check "initial TastoInvio", c.TastoInvio, False
Check "a font from the start", Len(c.Font.Name) > 0, True

c.MaxLength = 8
Check "MaxLength 8 cuts the mask", c.Text, "  /  /  "
Check "MaxLength", c.MaxLength, 8
c.DateValue = False
Check "number mode resets to 0", c.Text, "0"
Check "DateValue", c.DateValue, False
c.BackColor = RGB(255, 255, 0)
Check "BackColor", c.BackColor, RGB(255, 255, 0)
c.ForeColor = 255
Check "ForeColor", c.ForeColor, 255
c.Enabled = False
Check "Enabled", c.Enabled, False
c.Text = "14.121.967"
Check "Text", c.Text, "14.121.967"
c.Virgola = True
Check "Virgola", c.Virgola, True
c.TastoInvio = True
Check "TastoInvio", c.TastoInvio, True

c.Font.Name = "DejaVu Sans"
c.Font.Size = 12
c.Font.Bold = True
Check "Font.Name", c.Font.Name, "DejaVu Sans"
Check "Font.Size", c.Font.Size, 12
Check "Font.Bold", c.Font.Bold, True

' Fonts go by reference: after the assignment both controls share one
' font object, so a change made through one is seen through the other.
Set other = CreateObject("Velmora.VelmoraControl")
Set other.Font = c.Font
c.Font.Italic = True
Check "shared font", other.Font.Italic, True

On Error Resume Next
c.MaxLength = -1
Check "negative MaxLength: error number", Err.Number, 380
Check "negative MaxLength: has a description", Len(Err.Description) > 0, True
Err.Clear
c.MaxLength = 40000
Check "MaxLength beyond 16 bits is refused", Err.Number <> 0, True
Err.Clear
On Error GoTo 0
Check "MaxLength unchanged after the errors", c.MaxLength, 8

If failures = 0 Then WScript.Echo "VELMORA-SCRIPT-DONE"

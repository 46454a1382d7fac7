' Velmora from VBScript: turns the control's Text into a date and a number.
' The text is always Italian ("14/12/1967", "1.234.567,89") whatever the
' machine's regional settings, so it is taken apart by hand: CDate, CDbl and
' IsDate read it by the machine's settings and would get it wrong elsewhere.
' Run it with: cscript //nologo values.vbs
Option Explicit

' The date in a date field, or Empty for no date. An empty field shows its
' mask ("  /  /    "), never "". A two-digit year is read as the control
' reads it: 00-29 are 2000-2029, 30-99 are 1930-1999; a day/month field
' (MaxLength 5) is a date of the current year.
Function DateOf(text)
  DateOf = Empty
  If Trim(Replace(text, "/", "")) = "" Then Exit Function
  Dim parts, y
  parts = Split(text, "/")
  If UBound(parts) = 1 Then
    y = Year(Now)
  Else
    y = CInt(parts(2))
    If Len(Trim(parts(2))) = 2 Then
      If y < 30 Then y = y + 2000 Else y = y + 1900
    End If
  End If
  DateOf = DateSerial(y, CInt(parts(1)), CInt(parts(0)))
End Function

' The number in a number field: "." groups thousands, "," is the decimal
' comma, "-" the sign. Only digits reach CDbl, which reads them alike under
' every regional setting.
Function NumberOf(text)
  Dim t, negative, whole, decimals, value
  t = Replace(Trim(text), ".", "")
  negative = InStr(t, "-") > 0
  t = Replace(t, "-", "")
  whole = t
  decimals = ""
  If InStr(t, ",") > 0 Then
    whole = Left(t, InStr(t, ",") - 1)
    decimals = Mid(t, InStr(t, ",") + 1)
  End If
  value = 0
  If whole <> "" Then value = CDbl(whole)
  If decimals <> "" Then value = value + CDbl(decimals) / 10 ^ Len(decimals)
  If negative Then value = -value
  NumberOf = value
End Function

' Dates printed as year-month-day, numbers with a full stop for the decimal
' point, so that the output is the same under every regional setting.
Function Iso(d)
  If IsEmpty(d) Then
    Iso = "no date"
  Else
    Iso = Year(d) & "-" & Right("0" & Month(d), 2) & "-" & Right("0" & Day(d), 2)
  End If
End Function

Function Plain(n)
  Plain = Replace(CStr(n), Mid(CStr(1.5), 2, 1), ".")
End Function

Dim c
Set c = CreateObject("Velmora.VelmoraControl")

WScript.Echo "empty field [" & c.Text & "]: " & Iso(DateOf(c.Text))
c.Text = "14/12/1967"
WScript.Echo "[" & c.Text & "]: " & Iso(DateOf(c.Text))
c.MaxLength = 8
c.Text = "01/02/29"
WScript.Echo "[" & c.Text & "]: " & Iso(DateOf(c.Text))
c.Text = "01/02/30"
WScript.Echo "[" & c.Text & "]: " & Iso(DateOf(c.Text))
c.MaxLength = 5
c.Text = "25/12"
If Iso(DateOf(c.Text)) = Year(Now) & "-12-25" Then
  WScript.Echo "[" & c.Text & "]: 25 December of this year"
End If

c.DateValue = False
WScript.Echo "new number field [" & c.Text & "]: " & Plain(NumberOf(c.Text))
c.Text = "1.234.567"
WScript.Echo "[" & c.Text & "]: " & Plain(NumberOf(c.Text))
c.Virgola = True
c.Text = "1.234.567,89"
WScript.Echo "[" & c.Text & "]: " & Plain(NumberOf(c.Text))
c.Text = "-12.345,5"
WScript.Echo "[" & c.Text & "]: " & Plain(NumberOf(c.Text))

WScript.Echo "END OF SAMPLE"

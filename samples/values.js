// Velmora from JScript: the statements of values.vbs, in JScript. The text
// is always Italian ("14/12/1967", "1.234.567,89") whatever the machine's
// regional settings; JScript's own parsing knows nothing of that format,
// so the text is taken apart by hand.
// Run it with: cscript //nologo values.js

// The date in a date field, or null for no date. An empty field shows its
// mask ("  /  /    "), never "". A two-digit year is read as the control
// reads it: 00-29 are 2000-2029, 30-99 are 1930-1999; a day/month field
// (MaxLength 5) is a date of the current year.
function dateOf(text) {
  if (text.replace(/[\/ ]/g, "") === "") return null;
  var parts = text.split("/");
  var year;
  if (parts.length === 2) {
    year = new Date().getFullYear();
  } else {
    year = parseInt(parts[2], 10);
    if (parts[2].replace(/ /g, "").length === 2) year += year < 30 ? 2000 : 1900;
  }
  return new Date(year, parseInt(parts[1], 10) - 1, parseInt(parts[0], 10));
}

// The number in a number field: "." groups thousands, "," is the decimal
// comma, "-" the sign.
function numberOf(text) {
  return parseFloat(text.replace(/\./g, "").replace(",", "."));
}

function iso(d) {
  if (d === null) return "no date";
  function two(n) { return (n < 10 ? "0" : "") + n; }
  return d.getFullYear() + "-" + two(d.getMonth() + 1) + "-" + two(d.getDate());
}

var c = WScript.CreateObject("Velmora.VelmoraControl");

WScript.Echo("empty field [" + c.Text + "]: " + iso(dateOf(c.Text)));
c.Text = "14/12/1967";
WScript.Echo("[" + c.Text + "]: " + iso(dateOf(c.Text)));
c.MaxLength = 8;
c.Text = "01/02/29";
WScript.Echo("[" + c.Text + "]: " + iso(dateOf(c.Text)));
c.Text = "01/02/30";
WScript.Echo("[" + c.Text + "]: " + iso(dateOf(c.Text)));
c.MaxLength = 5;
c.Text = "25/12";
if (iso(dateOf(c.Text)) === new Date().getFullYear() + "-12-25")
  WScript.Echo("[" + c.Text + "]: 25 December of this year");

c.DateValue = false;
WScript.Echo("new number field [" + c.Text + "]: " + numberOf(c.Text));
c.Text = "1.234.567";
WScript.Echo("[" + c.Text + "]: " + numberOf(c.Text));
c.Virgola = true;
c.Text = "1.234.567,89";
WScript.Echo("[" + c.Text + "]: " + numberOf(c.Text));
c.Text = "-12.345,5";
WScript.Echo("[" + c.Text + "]: " + numberOf(c.Text));

WScript.Echo("END OF SAMPLE");

user_pref("browser.startup.homepage", "http://home.netscape.com/");

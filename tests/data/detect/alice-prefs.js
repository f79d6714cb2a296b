// Netscape User Preferences
user_pref("browser.cache.directory", "@ROOT@\\users\\alice\\nscache");
user_pref("browser.cache.disk_cache_size", 7680);

9// Menu of the club's pages.
var pages = ["file:///C|/site/index.htm", "http://www.example.com/news.htm"];
var help = "http://www.example.com/help.htm"; // see also http://www.example.com/old.htm
/* "http://www.example.com/commented-out.htm" */

IF OBJECT_ID('TempDB.dbo.##VendasNosBicos') IS NOT NULL 
DROP TABLE ##VendasNosBicos